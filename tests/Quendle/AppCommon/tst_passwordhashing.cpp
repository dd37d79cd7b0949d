#include "Quendle/AppCommon/Encryption.h"
#include "Quendle/AppCommon/PasswordHashing.h"

#include <QtTest>

#include <random>

class tst_PasswordHashing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void encryptPassword_data();
    void encryptPassword();
    void stagesAgreeWithPlainArithmetic();
    void entangleIsUndone();
    void multiplyKeepsCheckBitClear();
    void hashedString_data();
    void hashedString();
    void equivalentPasswords_data();
    void equivalentPasswords();
    void cachedHashes();
};

static QByteArray Block(const QByteArray& text)
{
    QByteArray block = text.left(16);
    block.append(QByteArray(16 - block.size(), ' '));
    return block;
}

void tst_PasswordHashing::encryptPassword_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<quint32>("packed");
    QTest::addColumn<quint32>("result");
    QTest::newRow("abc") << Block("abc") << 708155945u << 1520132148u;
    QTest::newRow("zeros") << QByteArray(16, '\0') << 0u << 0u;
    QTest::newRow("blank") << Block("") << 3823394853u << 3525154696u;
    QTest::newRow("password") << Block("password") << 0u << 1648647474u;
    // The pairs are little-endian: swapping "ab" changes the number.
    QTest::newRow("bac") << Block("bac") << 0u << 2140446153u;
    // p0 = 3*7*29, p2 = 509, p4 = 4079: the product is a multiple of every modulus.
    QTest::newRow("multiple of M") << QByteArray::fromHex("6102 0000 FD01 0000 EF0F 0000 0100 0000") << 0u << 0u;
}

void tst_PasswordHashing::encryptPassword()
{
    QFETCH(QByteArray, block);
    QFETCH(quint32, packed);
    QFETCH(quint32, result);
    const ULONG value = cEncryption::EncryptPassword(reinterpret_cast<const unsigned char*>(block.constData()));
    QCOMPARE(value, result);
    if (packed)
        QCOMPARE(cEncryption::Disentangle(value), packed);
}

void tst_PasswordHashing::stagesAgreeWithPlainArithmetic()
{
    for (const cEncryption::sSextet& s : { cEncryption::sSextet { 0xFFFF, 0xFFFF, 0xFFFF },
             cEncryption::sSextet { 1, 2, 3 }, cEncryption::sSextet { 0x1234, 0, 0xFFFF } }) {
        const quint64 x = (quint64(s.w0) << 32) | (quint64(s.w1) << 16) | s.w2;
        for (ULONG m : { 3u, 7u, 29u, 509u, 4079u })
            QCOMPARE(cEncryption::SingleEncryptionStage(s, m), ULONG(x % m));
        const ULONG packed = cEncryption::Encryption(s);
        QCOMPARE(packed & 0x3u, ULONG(x % 3));
        QCOMPARE((packed >> 20) & 0xFFFu, ULONG(x % 4079));
        QCOMPARE(packed & (1u << 19), 0u);
    }
}

void tst_PasswordHashing::entangleIsUndone()
{
    std::mt19937 random(20240607);
    for (int i = 0; i < 2000; ++i) {
        const ULONG word = ULONG(random()) & ~(1u << 19);
        QCOMPARE(cEncryption::Disentangle(cEncryption::Entangle(word)), word);
    }
}

void tst_PasswordHashing::multiplyKeepsCheckBitClear()
{
    const ULONG a = cEncryption::Encryption({ 0, 0x6162, 0 });
    const ULONG b = cEncryption::Encryption({ 0x2020, 0x2020, 0 });
    const ULONG product = cEncryption::Multiply(a, b);
    QCOMPARE(product & (1u << 19), 0u);
    QCOMPARE((product >> 10) & 0x1FFu, (((a >> 10) & 0x1FFu) * ((b >> 10) & 0x1FFu)) % 509u);
}

void tst_PasswordHashing::hashedString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    // Keccak-512, not SHA3-512 (whose empty digest begins a69f73cc).
    QTest::newRow("empty")
        << QString() << "DqtC3kw865I1/JGs/+dGspwpqMNmt8YOTmfEZvNqQwTAD6nK+dh5drpGm8vgZxO0NfCR7ydp+xYM2rM9NnBoDg==";
    QTest::newRow("Admin")
        << "Admin"
        << "I0HoLTK5BkgiLTkiNG+BMMEnp1SFIauTabHjGVHky9OLxIGdI9TcF7bQLgW6wBIEZnloCGDshg2b1S/t+BwlJw==";
    QTest::newRow("cut at NUL") << QString("Ad") + QChar(0) + "min"
                                << QString::fromStdString(Quendle::GetHashedString("Ad"));
}

void tst_PasswordHashing::hashedString()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(Quendle::GetHashedString(text)), expected);
}

void tst_PasswordHashing::equivalentPasswords_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("same");
    QTest::newRow("trailing spaces") << "abc"
                                     << "abc             " << true;
    QTest::newRow("17th character ignored") << "abcdefghijklmnopq"
                                            << "abcdefghijklmnop" << true;
    QTest::newRow("code unit above 255 is 0") << QString::fromUtf8("\u20acx") << QString(QChar(0)) + "x" << true;
    QTest::newRow("latin-1 kept") << QString::fromUtf8("\u00e9x") << QString(QChar(0)) + "x" << false;
    QTest::newRow("case matters") << "Secret"
                                  << "secret" << false;
}

void tst_PasswordHashing::equivalentPasswords()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, same);
    QCOMPARE(Quendle::GetHashedPassword(a) == Quendle::GetHashedPassword(b), same);
}

void tst_PasswordHashing::cachedHashes()
{
    QCOMPARE(Quendle::GetHashedBlankPassword(), Quendle::GetHashedPassword(QString()));
    QCOMPARE(Quendle::GetHashedBlankPassword(), Quendle::GetHashedPassword(QString(16, ' ')));
    QCOMPARE(Quendle::ScrambledPasswordText(QString()), QStringLiteral("3525154696"));
    QCOMPARE(Quendle::GetHashedAdminUsername(), Quendle::GetHashedString("Admin"));
}

QTEST_APPLESS_MAIN(tst_PasswordHashing)
#include "tst_passwordhashing.moc"
