// Reading a user-list reply: well-formed lists, and replies that end early or carry over-long
// names, never read past their data.
#include "Quendle/Global/UserListFormat.h"
#include "tests/support/HexData.h"
#include "tests/support/MessageData.h"

#include <QtTest>

class tst_UserListFormat : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void read_data();
    void read();
    void overLongName();
};

void tst_UserListFormat::read_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<bool>>("flags");
    QTest::addColumn<bool>("whole");

    QTest::newRow("two users") << HexBytes("02 41 00 01 42 00 00") << QStringList { "A", "B" }
                               << QList<bool> { true, false } << true;
    QTest::newRow("no users") << HexBytes("00") << QStringList() << QList<bool>() << true;
    QTest::newRow("empty name") << HexBytes("01 00 01") << QStringList { "" } << QList<bool> { true } << true;
    QTest::newRow("UTF-8 names") << HexBytes("02 5A 6F C3 AB 00 01 C3 86 67 69 72 00 00")
                                 << QStringList { QString::fromUtf8("Zo\xC3\xAB"), QString::fromUtf8("\xC3\x86gir") }
                                 << QList<bool> { true, false } << true;
    QTest::newRow("bytes after the list")
        << HexBytes("01 41 00 00 FF FF") << QStringList { "A" } << QList<bool> { false } << true;
    // Ends early: the users read in whole, nothing past the data.
    QTest::newRow("empty reply") << QByteArray() << QStringList() << QList<bool>() << false;
    QTest::newRow("count beyond the data")
        << HexBytes("03 41 00 01") << QStringList { "A" } << QList<bool> { true } << false;
    QTest::newRow("count only") << HexBytes("05") << QStringList() << QList<bool>() << false;
    QTest::newRow("name without NUL") << HexBytes("01 41 42 43") << QStringList() << QList<bool>() << false;
    QTest::newRow("flag missing") << HexBytes("02 41 00 01 42 00") << QStringList { "A" } << QList<bool> { true }
                                  << false;
}

void tst_UserListFormat::read()
{
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, names);
    QFETCH(QList<bool>, flags);
    QFETCH(bool, whole);

    // The data is copied into a buffer exactly its size, so a read past it is the sanitizers' to see.
    const cZUNetMessage message = MessageWithData(reply);
    QVector<QString> readNames;
    QVector<bool> readFlags;
    QCOMPARE(Quendle::ReadUserList(message, readNames, readFlags), whole);
    QCOMPARE(readNames.toList(), names);
    QCOMPARE(readFlags.toList(), flags);
}

void tst_UserListFormat::overLongName()
{
    // No NUL in a name's first 128 bytes: the name is the first 127, the byte after the 128th
    // is its flag, and the next entry follows.
    const QByteArray longName(200, 'x');
    QByteArray reply("\x02", 1);
    reply += longName.left(Quendle::kUserListNameLimit);
    reply += '\x01';
    reply += QByteArray("B\0\0", 3);
    const cZUNetMessage message = MessageWithData(reply);
    QVector<QString> names;
    QVector<bool> flags;
    QVERIFY(Quendle::ReadUserList(message, names, flags));
    QCOMPARE(names.toList(), (QStringList { QString(longName.left(127)), "B" }));
    QCOMPARE(flags.toList(), (QList<bool> { true, false }));

    // A name of exactly 127 bytes has its NUL as the 128th.
    QByteArray exact("\x01", 1);
    exact += longName.left(127);
    exact += QByteArray("\0\0", 2);
    names.clear();
    flags.clear();
    QVERIFY(Quendle::ReadUserList(MessageWithData(exact), names, flags));
    QCOMPARE(names.toList(), QStringList { QString(longName.left(127)) });
}

QTEST_GUILESS_MAIN(tst_UserListFormat)
#include "tst_userlistformat.moc"
