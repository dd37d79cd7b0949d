#include "Quendle/Global/SaltHash.h"

#include <QtTest>

class tst_SaltHash : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void saltHash_data();
    void saltHash();
    void randomBytes();
};

void tst_SaltHash::saltHash_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("salt");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("empty, plain Keccak-512")
        << QByteArray() << QByteArray()
        << QByteArray::fromHex("0eab42de4c3ceb9235fc91acffe746b29c29a8c366b7c60e4e67c466f36a4304c00fa9caf9d87976ba469b"
                               "cbe06713b435f091ef2769fb160cdab33d3670680e");
    // Only the salt's length is XORed: equal to Keccak-512 of 60 60 63.
    QTest::newRow("short salt") << QByteArray("abc") << QByteArray::fromHex("0102")
                                << QByteArray::fromHex(
                                       "ba2385a46408b75b23accee7200eee13e5129a46e4be9816897dd1b9dca830"
                                       "41026281b011e41efe24bb338fee7b6db049da542fed9614d96858bfb7a27549d4");
    // Only the value's length is XORed.
    QTest::newRow("long salt") << QByteArray("ab") << QByteArray::fromHex("ffffffff")
                               << QByteArray::fromHex(
                                      "a56b176b295cf60221c4168167c84baa9fd1e36bc4e9051190d0ef3e16b85ad7f9"
                                      "191e6273c2629dd78f179a5add542fd8f5de7bf62b1e16abf9d9dcd2f202d6");
}

void tst_SaltHash::saltHash()
{
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, salt);
    QFETCH(QByteArray, expected);
    QCOMPARE(Quendle::SaltHash(value, salt).toHex(), expected.toHex());
    QCOMPARE(Quendle::SaltHash(value, salt).size(), 64);
}

void tst_SaltHash::randomBytes()
{
    const QByteArray a = Quendle::RandomBytes(64);
    const QByteArray b = Quendle::RandomBytes(64);
    QCOMPARE(a.size(), 64);
    QVERIFY(a != b); // two draws in the same instant differ, unlike a generator reseeded with the time
}

QTEST_APPLESS_MAIN(tst_SaltHash)
#include "tst_salthash.moc"
