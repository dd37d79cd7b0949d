// The keyring: the cipher against the published CBC-AES128 vectors, the stored table written and
// read back, master passwords, every corrupt table refused with its trace, and no save while locked.
// The settings live in a temporary folder of the test's own.
#include "Quendle/AppCommon/Aes128Cbc.h"
#include "Quendle/AppCommon/Keyring.h"
#include "Quendle/Global/SaltHash.h"
#include "tests/support/HexData.h"
#include "tests/support/TraceCapture.h"

#include <QDataStream>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace Quendle;

namespace
{

const QString kMaster = QStringLiteral("master");

// NIST SP 800-38A, F.2.1 and F.2.2 (CBC-AES128).
const QString kNistKey = QStringLiteral("2b7e151628aed2a6abf7158809cf4f3c");
const QString kNistIv = QStringLiteral("000102030405060708090a0b0c0d0e0f");
const QStringList kNistPlain { "6bc1bee22e409f96e93d7e117393172a", "ae2d8a571e03ac9c9eb76fac45af8e51",
    "30c81c46a35ce411e5fbc1191a0a52ef", "f69f2445df4f9b17ad2b417be66c3710" };
const QStringList kNistCipher { "7649abac8119b246cee98e9b12e9197d", "5086cb9b507219ee95db113a917678b2",
    "73bed6b8e3c1743b7116e69e22229516", "3ff1caa1681fac09120eca307586e1a7" };

QByteArray Stored()
{
    return QSettings().value(cKeyring::SettingsKey()).toByteArray();
}

void Store(const QByteArray& table)
{
    QSettings().setValue(cKeyring::SettingsKey(), table);
}

/// The parts of a stored table, read as the format lays them out.
struct sTable {
    quint32 mVersion = 0;
    QStringList mNames;
    QByteArray mIv;
    QByteArray mCiphertext;

    static sTable Read(const QByteArray& bytes)
    {
        sTable table;
        QDataStream stream(bytes);
        stream >> table.mVersion;
        stream.setVersion(19);
        stream >> table.mNames >> table.mIv >> table.mCiphertext;
        return table;
    }
    QByteArray Write() const
    {
        QByteArray bytes;
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        stream << mVersion;
        stream.setVersion(19);
        stream << mNames << mIv << mCiphertext;
        return bytes;
    }
    QByteArray Plaintext(const QString& master = kMaster) const
    {
        QByteArray plain;
        return Aes128CbcDecrypt(cKeyring::KeyOf(master), mIv, mCiphertext, plain) ? plain : QByteArray("<refused>");
    }
};

/// A table made here, not by the keyring: the given names and their entries behind `master`.
QByteArray HandMadeTable(const QStringList& names, const QList<QByteArray>& entries, const QString& master = kMaster)
{
    QByteArray plain = RandomBytes(cKeyring::kEntrySize);
    for (const QByteArray& entry : entries)
        plain += entry;
    plain += cKeyring::CheckMarker();
    sTable table;
    table.mVersion = 1;
    table.mNames = names;
    table.mIv = RandomBytes(16);
    if (!Aes128CbcEncrypt(cKeyring::KeyOf(master), table.mIv, plain, table.mCiphertext))
        return QByteArray();
    return table.Write();
}

QByteArray Entry(char fill)
{
    return QByteArray(cKeyring::kEntrySize, fill);
}

} // namespace

class tst_Keyring : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void cipherMatchesTheNistVectors_data();
    void cipherMatchesTheNistVectors();
    void cipherRefusesWhatIsNotWholeBlocks();
    void roundTrip();
    void storedFormat_data();
    void storedFormat();
    void handMadeTableLoads();
    void wrongMasterPassword();
    void changePassword();
    void checkPassword();
    void nothingReadWhileLocked();
    void corruptTables_data();
    void corruptTables();
    void savingWhileLockedRefused();
    void prefixAndVectorFromTheSystemSource();
    void entriesOfAnotherSizeRefused();
    void removeAndDelete();

private:
    QTemporaryDir mSettingsHome;
};

void tst_Keyring::initTestCase()
{
    // Before the first QSettings: the store goes into a folder of its own.
    QVERIFY(mSettingsHome.isValid());
    qputenv("XDG_CONFIG_HOME", mSettingsHome.path().toUtf8());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, mSettingsHome.path());
    QCoreApplication::setOrganizationName(QStringLiteral("QuendleTest"));
    QCoreApplication::setApplicationName(QStringLiteral("KeyringTest"));
    QVERIFY(QSettings().fileName().startsWith(mSettingsHome.path()));
}

void tst_Keyring::init()
{
    QSettings().clear();
}

void tst_Keyring::cipherMatchesTheNistVectors_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("blocks");
    // A later block is enciphered with the block before it as its vector.
    QTest::newRow("block 1") << 0 << 1;
    QTest::newRow("blocks 1 and 2") << 0 << 2;
    QTest::newRow("all four blocks") << 0 << 4;
    QTest::newRow("blocks 3 and 4, chained from block 2") << 2 << 2;
}

void tst_Keyring::cipherMatchesTheNistVectors()
{
    QFETCH(int, first);
    QFETCH(int, blocks);
    const QByteArray key = HexBytes(kNistKey);
    const QByteArray iv = first == 0 ? HexBytes(kNistIv) : HexBytes(kNistCipher[first - 1]);
    const QByteArray plain = HexBytes(kNistPlain.mid(first, blocks).join(QString()));
    const QByteArray cipher = HexBytes(kNistCipher.mid(first, blocks).join(QString()));
    QByteArray out;
    QVERIFY(Aes128CbcEncrypt(key, iv, plain, out));
    QCOMPARE(ToHex(out), ToHex(cipher));
    QVERIFY(Aes128CbcDecrypt(key, iv, cipher, out));
    QCOMPARE(ToHex(out), ToHex(plain));
}

void tst_Keyring::cipherRefusesWhatIsNotWholeBlocks()
{
    const QByteArray key = HexBytes(kNistKey);
    const QByteArray iv = HexBytes(kNistIv);
    const QByteArray block = HexBytes(kNistPlain[0]);
    QByteArray out("stale");
    QVERIFY(!Aes128CbcDecrypt(key, iv, block + "x", out));
    QVERIFY(out.isEmpty());
    QVERIFY(!Aes128CbcEncrypt(key, iv.left(8), block, out));
    QVERIFY(!Aes128CbcEncrypt(key.left(15), iv, block, out));
    QVERIFY(!Aes128CbcDecrypt(QByteArray(), iv, block, out));
}

void tst_Keyring::roundTrip()
{
    {
        cKeyring keyring;
        QVERIFY(!keyring.SettingExists());
        QVERIFY(keyring.Unlock(kMaster)); // creates the store
        QVERIFY(keyring.SettingExists());
        QVERIFY(!keyring.Unlock(kMaster)); // already open
        keyring.SetUnitPassword(QStringLiteral("stage"), Entry('s'));
        keyring.SetUnitPassword(QStringLiteral("Foyer"), Entry('f'));
        keyring.SetUnitPassword(QStringLiteral("stage"), Entry('t'));
    }
    cKeyring keyring;
    QVERIFY(keyring.IsLocked());
    QVERIFY(keyring.Unlock(kMaster));
    QVERIFY(!keyring.IsLocked());
    QCOMPARE(keyring.GetUnitList(), (QStringList { "Foyer", "stage" }));
    QByteArray hashed;
    QVERIFY(keyring.GetHashedPasswordForUnit(QStringLiteral("stage"), hashed));
    QCOMPARE(hashed, Entry('t'));
    QVERIFY(keyring.GetHashedPasswordForUnit(QStringLiteral("Foyer"), hashed));
    QCOMPARE(hashed, Entry('f'));
    QVERIFY(!keyring.GetHashedPasswordForUnit(QStringLiteral("gallery"), hashed));
}

void tst_Keyring::storedFormat_data()
{
    QTest::addColumn<QStringList>("units");
    QTest::newRow("empty store: prefix and marker, 80 bytes") << QStringList {};
    QTest::newRow("two units") << QStringList { "b", "a" };
}

void tst_Keyring::storedFormat()
{
    QFETCH(QStringList, units);
    cKeyring keyring;
    QVERIFY(keyring.Unlock(kMaster));
    char fill = 'A';
    for (const QString& unit : units)
        keyring.SetUnitPassword(unit, Entry(fill++));

    const sTable table = sTable::Read(Stored());
    QCOMPARE(table.mVersion, quint32(1));
    QStringList sorted = units;
    sorted.sort();
    QCOMPARE(table.mNames, sorted);
    QCOMPARE(table.mIv.size(), 16);
    QCOMPARE(table.mCiphertext.size(), (units.size() + 1) * 64 + 16);
    QCOMPARE(table.Write(), Stored()); // nothing after the ciphertext

    const QByteArray plain = table.Plaintext();
    QCOMPARE(plain.size(), table.mCiphertext.size());
    QCOMPARE(plain.right(16), cKeyring::CheckMarker());
    QVERIFY(
        QRegularExpression(QStringLiteral("^[a-z0-9]{16}$")).match(QString::fromLatin1(plain.right(16))).hasMatch());
    for (int i = 0; i < table.mNames.size(); ++i) {
        const char expected = char('A' + units.indexOf(table.mNames[i]));
        QCOMPARE(plain.mid(64 * (i + 1), 64), Entry(expected));
    }
}

void tst_Keyring::handMadeTableLoads()
{
    Store(HandMadeTable({ "desk", "amp" }, { Entry('d'), Entry('a') }));
    cKeyring keyring;
    QVERIFY(keyring.Unlock(kMaster));
    QByteArray hashed;
    QVERIFY(keyring.GetHashedPasswordForUnit(QStringLiteral("desk"), hashed));
    QCOMPARE(hashed, Entry('d'));
    QVERIFY(keyring.GetHashedPasswordForUnit(QStringLiteral("amp"), hashed));
    QCOMPARE(hashed, Entry('a'));
}

void tst_Keyring::wrongMasterPassword()
{
    {
        cKeyring keyring;
        QVERIFY(keyring.Unlock(kMaster));
        keyring.SetUnitPassword(QStringLiteral("stage"), Entry('s'));
    }
    const QByteArray before = Stored();
    cTraceCapture traces;
    cKeyring keyring;
    QVERIFY(!keyring.Unlock(QStringLiteral("Master")));
    QVERIFY(keyring.IsLocked());
    QVERIFY(keyring.GetUnitList().isEmpty());
    QCOMPARE(traces.Lines(), QStringList());
    QCOMPARE(Stored(), before);
    QVERIFY(keyring.Unlock(kMaster)); // the failed try left nothing behind
    QCOMPARE(keyring.GetUnitList(), QStringList { "stage" });
}

void tst_Keyring::changePassword()
{
    cKeyring keyring;
    QVERIFY(!keyring.ChangePassword(QStringLiteral("new"))); // no store, locked
    QVERIFY(!keyring.SettingExists());
    QVERIFY(keyring.Unlock(kMaster));
    keyring.SetUnitPassword(QStringLiteral("stage"), Entry('s'));
    const QByteArray before = Stored();

    cKeyring locked;
    QVERIFY(!locked.ChangePassword(QStringLiteral("new")));
    QCOMPARE(Stored(), before);

    QVERIFY(keyring.ChangePassword(QStringLiteral("new")));
    QVERIFY(Stored() != before);
    cKeyring withOld;
    QVERIFY(!withOld.Unlock(kMaster));
    cKeyring withNew;
    QVERIFY(withNew.Unlock(QStringLiteral("new")));
    QCOMPARE(withNew.GetUnitList(), QStringList { "stage" });
}

void tst_Keyring::checkPassword()
{
    cKeyring keyring;
    QVERIFY(!keyring.CheckPassword(kMaster)); // no store yet
    QVERIFY(keyring.Unlock(kMaster));
    keyring.SetUnitPassword(QStringLiteral("stage"), Entry('s'));
    QVERIFY(keyring.CheckPassword(kMaster));
    QVERIFY(!keyring.CheckPassword(QStringLiteral("other")));
    QVERIFY(!keyring.IsLocked()); // checking an open store leaves it open

    cKeyring locked;
    QVERIFY(locked.CheckPassword(kMaster));
    QVERIFY(locked.IsLocked());
    QVERIFY(locked.GetUnitList().isEmpty());
    QVERIFY(!locked.CheckPassword(QStringLiteral("other")));
    QVERIFY(locked.Unlock(kMaster));
}

void tst_Keyring::nothingReadWhileLocked()
{
    {
        cKeyring keyring;
        QVERIFY(keyring.Unlock(kMaster));
        keyring.SetUnitPassword(QStringLiteral("stage"), Entry('s'));
    }
    cKeyring keyring;
    QByteArray hashed("untouched");
    QVERIFY(!keyring.GetHashedPasswordForUnit(QStringLiteral("stage"), hashed));
    QCOMPARE(hashed, QByteArray("untouched"));
    QVERIFY(keyring.CheckPassword(kMaster)); // opens and closes again
    QVERIFY(!keyring.GetHashedPasswordForUnit(QStringLiteral("stage"), hashed));
}

// Rows: the stored table, and the error traces of the failed unlock.
void tst_Keyring::corruptTables_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QStringList>("traces");

    const QList<QByteArray> entries { Entry('d'), Entry('a') };
    const QByteArray good = HandMadeTable({ "desk", "amp" }, entries);
    const sTable parts = sTable::Read(good);
    auto changed = [&](const std::function<void(sTable&)>& change) {
        sTable table = parts;
        change(table);
        return table.Write();
    };
    const QStringList version { "ERROR: Error unknown data version" };
    const QStringList unpacking { "ERROR: Error unpacking data" };
    const QStringList length { "ERROR: Unexpected data length" };

    QTest::newRow("empty value") << QByteArray() << version;
    QTest::newRow("version cut short") << good.left(3) << version;
    QTest::newRow("version 2") << changed([](sTable& t) { t.mVersion = 2; }) << version;
    QTest::newRow("version 0") << changed([](sTable& t) { t.mVersion = 0; }) << version;
    QTest::newRow("nothing after the version") << good.left(4) << unpacking;
    QTest::newRow("ciphertext cut short") << good.left(good.size() - 1) << unpacking;
    QTest::newRow("name count beyond the data")
        << good.left(4) + QByteArray::fromHex("7fffffff") + good.mid(8) << unpacking;
    QTest::newRow("name count all ones") << good.left(4) + QByteArray::fromHex("ffffffff") + good.mid(8) << unpacking;
    QTest::newRow("name of odd byte length")
        << good.left(8) + QByteArray::fromHex("00000003") + good.mid(12) << unpacking;
    QTest::newRow("one name more than entries") << changed([](sTable& t) { t.mNames << "extra"; }) << length;
    QTest::newRow("one name fewer than entries") << changed([](sTable& t) { t.mNames.removeLast(); }) << length;
    QTest::newRow("vector of 8 bytes") << changed([](sTable& t) { t.mIv.truncate(8); }) << length;
    QTest::newRow("vector of 17 bytes") << changed([](sTable& t) { t.mIv += 'x'; }) << length;
    QTest::newRow("no vector") << changed([](sTable& t) { t.mIv.clear(); }) << length;
    QTest::newRow("ciphertext one byte over") << changed([](sTable& t) { t.mCiphertext += 'x'; }) << length;
    QTest::newRow("ciphertext one block short") << changed([](sTable& t) { t.mCiphertext.chop(16); }) << length;
    QTest::newRow("no ciphertext") << changed([](sTable& t) { t.mCiphertext.clear(); }) << length;
    // Wrong marker: the table of another master password, or a changed last block. No trace.
    QTest::newRow("another master password") << HandMadeTable({ "desk", "amp" }, entries, "other") << QStringList();
    QTest::newRow("last block changed") << changed([](sTable& t) {
        t.mCiphertext.data()[t.mCiphertext.size() - 1] ^= 1;
    }) << QStringList();
}

void tst_Keyring::corruptTables()
{
    QFETCH(QByteArray, table);
    QFETCH(QStringList, traces);
    Store(table);
    cTraceCapture capture;
    cKeyring keyring;
    QVERIFY(!keyring.Unlock(kMaster));
    QCOMPARE(capture.Lines(), traces);
    QVERIFY(keyring.IsLocked());
    QVERIFY(keyring.GetUnitList().isEmpty());
    QCOMPARE(Stored(), table); // a failed unlock writes nothing
}

void tst_Keyring::savingWhileLockedRefused()
{
    {
        cKeyring keyring;
        QVERIFY(keyring.Unlock(kMaster));
        keyring.SetUnitPassword(QStringLiteral("stage"), Entry('s'));
        keyring.SetUnitPassword(QStringLiteral("foyer"), Entry('f'));
    }
    const QByteArray before = Stored();
    cTraceCapture traces;
    cKeyring locked;
    locked.SetUnitPassword(QStringLiteral("gallery"), Entry('g'));
    locked.RemoveHashedPasswordForUnit(QStringLiteral("stage"));
    locked.SaveData();
    QCOMPARE(Stored(), before);
    QCOMPARE(traces.Lines(),
        (QStringList { "ERROR: Keyring is locked, password for gallery not stored",
            "ERROR: Keyring is locked, password for stage not removed", "ERROR: Keyring is locked, nothing saved" }));
    QVERIFY(locked.Unlock(kMaster));
    QCOMPARE(locked.GetUnitList(), (QStringList { "foyer", "stage" }));
}

void tst_Keyring::prefixAndVectorFromTheSystemSource()
{
    // Keyrings made and saved within the same second still differ in prefix and vector.
    QSet<QByteArray> vectors;
    QSet<QByteArray> prefixes;
    for (int i = 0; i < 4; ++i) {
        QSettings().clear();
        cKeyring keyring;
        QVERIFY(keyring.Unlock(kMaster));
        for (int save = 0; save < 2; ++save) {
            if (save == 1)
                keyring.SaveData();
            const sTable table = sTable::Read(Stored());
            const QByteArray prefix = table.Plaintext().left(64);
            QVERIFY(table.mIv != prefix.left(16));
            vectors.insert(table.mIv);
            prefixes.insert(prefix);
        }
    }
    QCOMPARE(vectors.size(), 8);
    QCOMPARE(prefixes.size(), 4); // one prefix per keyring, kept for its saves
}

void tst_Keyring::entriesOfAnotherSizeRefused()
{
    cKeyring keyring;
    QVERIFY(keyring.Unlock(kMaster));
    keyring.SetUnitPassword(QStringLiteral("stage"), Entry('s'));
    const QByteArray before = Stored();
    cTraceCapture traces;
    keyring.SetUnitPassword(QStringLiteral("foyer"), QByteArray(10, 'f'));
    keyring.SetUnitPassword(QStringLiteral("stage"), QByteArray(65, 't'));
    QCOMPARE(traces.Lines(),
        (QStringList {
            "ERROR: Hashed password of 10 bytes not stored", "ERROR: Hashed password of 65 bytes not stored" }));
    QCOMPARE(Stored(), before);
    QCOMPARE(keyring.GetUnitList(), QStringList { "stage" });
}

void tst_Keyring::removeAndDelete()
{
    cKeyring keyring;
    QVERIFY(keyring.Unlock(kMaster));
    keyring.SetUnitPassword(QStringLiteral("stage"), Entry('s'));
    keyring.SetUnitPassword(QStringLiteral("foyer"), Entry('f'));
    keyring.RemoveHashedPasswordForUnit(QStringLiteral("stage"));
    QCOMPARE(sTable::Read(Stored()).mNames, QStringList { "foyer" });
    cKeyring again;
    QVERIFY(again.Unlock(kMaster));
    QCOMPARE(again.GetUnitList(), QStringList { "foyer" });

    keyring.DeleteKeyring();
    QVERIFY(!keyring.SettingExists());
    QVERIFY(keyring.IsLocked());
    QVERIFY(keyring.GetUnitList().isEmpty());
    QVERIFY(keyring.Unlock(QStringLiteral("fresh"))); // a new, empty store
    QVERIFY(keyring.GetUnitList().isEmpty());
}

QTEST_GUILESS_MAIN(tst_Keyring)
#include "tst_keyring.moc"
