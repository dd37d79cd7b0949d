#include "Quendle/AppCommon/Keyring.h"

#include "Quendle/AppCommon/Aes128Cbc.h"
#include "Quendle/AppCommon/SettingsKeys.h"
#include "Quendle/Global/SaltHash.h"
#include "ZUNet/Core/Trace.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QSettings>

namespace
{

constexpr int kKeyLength = 16;
constexpr int kMarkerLength = 16;

QByteArray MasterHashOf(const QString& password)
{
    return QCryptographicHash::hash(password.toLocal8Bit(), QCryptographicHash::Keccak_256);
}

/// The unit names. The count is bounded by the bytes left (a name takes at least its 4-byte
/// length), so a corrupt count never sizes an allocation.
bool ReadNames(QDataStream& stream, qint64 size, QStringList& names)
{
    quint32 count = 0;
    stream >> count;
    if (stream.status() != QDataStream::Ok || count > quint64(size - stream.device()->pos()) / 4) {
        stream.setStatus(QDataStream::ReadCorruptData);
        return false;
    }
    names.reserve(int(count));
    for (quint32 i = 0; i < count; ++i) {
        QString name;
        stream >> name;
        if (stream.status() != QDataStream::Ok)
            return false;
        names.append(name);
    }
    return true;
}

} // namespace

cKeyring::cKeyring()
    : mRandomPrefix(Quendle::RandomBytes(kEntrySize))
{
}

const QString& cKeyring::SettingsKey()
{
    static const QString key = cSettingsKeys::Keyring;
    return key;
}

const QByteArray& cKeyring::CheckMarker()
{
    static const QByteArray marker = QByteArrayLiteral("k7q2m9x4v1c8z3w6");
    return marker;
}

QByteArray cKeyring::KeyOf(const QString& password)
{
    return MasterHashOf(password).left(kKeyLength);
}

bool cKeyring::SettingExists() const
{
    return QSettings().contains(SettingsKey());
}

bool cKeyring::Unlock(const QString& password)
{
    if (!mLocked)
        return false;
    SetPassword(password);
    if (!SettingExists()) {
        mLocked = false;
        SaveData();
        return true;
    }
    if (LoadData()) {
        mLocked = false;
        return true;
    }
    mMasterHash.clear();
    return false;
}

void cKeyring::SetPassword(const QString& password)
{
    mMasterHash = MasterHashOf(password);
}

void cKeyring::SaveData() const
{
    if (mLocked) {
        ZU_ERR("Keyring is locked, nothing saved");
        return;
    }
    QByteArray data;
    SerializeAndEncryptData(data);
    QSettings().setValue(SettingsKey(), data);
}

bool cKeyring::LoadData()
{
    return DeserializeAndDecryptData(QSettings().value(SettingsKey(), QByteArray()).toByteArray());
}

bool cKeyring::CheckPassword(const QString& password)
{
    if (!SettingExists())
        return false;
    if (!mLocked)
        return MasterHashOf(password) == mMasterHash;
    SetPassword(password);
    const bool loaded = LoadData();
    mLocked = true;
    mMasterHash.clear();
    mEntries.clear();
    return loaded;
}

bool cKeyring::ChangePassword(const QString& password)
{
    if (mLocked)
        return false;
    SetPassword(password);
    SaveData();
    return true;
}

void cKeyring::SetUnitPassword(const QString& unit, const QByteArray& hashedPassword)
{
    if (mLocked) {
        ZU_ERR("Keyring is locked, password for %s not stored", qUtf8Printable(unit));
        return;
    }
    if (hashedPassword.size() != int(mEntrySize)) {
        // Any other size would make the whole store unreadable.
        ZU_ERR("Hashed password of %d bytes not stored", hashedPassword.size());
        return;
    }
    mEntries.insert(unit, hashedPassword);
    SaveData();
}

void cKeyring::RemoveHashedPasswordForUnit(const QString& unit)
{
    if (mLocked) {
        ZU_ERR("Keyring is locked, password for %s not removed", qUtf8Printable(unit));
        return;
    }
    mEntries.remove(unit);
    SaveData();
}

bool cKeyring::GetHashedPasswordForUnit(const QString& unit, QByteArray& hashedPassword)
{
    if (mLocked)
        return false;
    const auto entry = mEntries.constFind(unit);
    if (entry == mEntries.constEnd())
        return false;
    hashedPassword = entry.value();
    return true;
}

void cKeyring::DeleteKeyring()
{
    QSettings().remove(SettingsKey());
    mLocked = true;
    mMasterHash.clear();
    mEntries.clear();
}

QStringList cKeyring::GetUnitList()
{
    return mEntries.keys();
}

void cKeyring::SerializeAndEncryptData(QByteArray& data) const
{
    QByteArray plaintext = mRandomPrefix;
    for (const QByteArray& hashedPassword : mEntries)
        plaintext += hashedPassword;
    plaintext += CheckMarker();
    QByteArray ciphertext;
    QByteArray iv;
    Encrypt(plaintext, ciphertext, iv);

    data.clear();
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream << mWrittenVersion;
    stream.setVersion(QDataStream::Qt_5_13);
    stream << QStringList(mEntries.keys()) << iv << ciphertext;
}

bool cKeyring::DeserializeAndDecryptData(const QByteArray& data)
{
    QDataStream stream(data);
    quint32 version = 0;
    stream >> version;
    if (stream.status() != QDataStream::Ok || version != mExpectedVersion) {
        ZU_ERR("Error unknown data version");
        return false;
    }
    stream.setVersion(QDataStream::Qt_5_13);
    QStringList names;
    QByteArray iv;
    QByteArray ciphertext;
    if (ReadNames(stream, data.size(), names))
        stream >> iv >> ciphertext;
    if (stream.status() != QDataStream::Ok) {
        ZU_ERR("Error unpacking data");
        return false;
    }
    // Checked before deciphering: the cipher takes whole blocks and a vector of one block.
    const qint64 expectedLength = (qint64(names.size()) + 1) * mEntrySize + kMarkerLength;
    if (iv.size() != kIvSize || ciphertext.size() != expectedLength) {
        ZU_ERR("Unexpected data length");
        return false;
    }
    QByteArray plaintext;
    Decrypt(ciphertext, iv, plaintext);
    if (plaintext.size() != expectedLength) {
        ZU_ERR("Unexpected data length");
        return false;
    }
    if (!plaintext.endsWith(CheckMarker()))
        return false; // not this master password
    for (int i = 1; i <= names.size(); ++i)
        mEntries.insert(names[i - 1], plaintext.mid(i * int(mEntrySize), int(mEntrySize)));
    return true;
}

void cKeyring::Encrypt(const QByteArray& plaintext, QByteArray& ciphertext, QByteArray& iv) const
{
    iv = Quendle::RandomBytes(kIvSize);
    if (!Quendle::Aes128CbcEncrypt(mMasterHash.left(kKeyLength), iv, plaintext, ciphertext))
        ZU_ERR("Error enciphering data");
}

void cKeyring::Decrypt(const QByteArray& ciphertext, const QByteArray& iv, QByteArray& plaintext) const
{
    if (!Quendle::Aes128CbcDecrypt(mMasterHash.left(kKeyLength), iv, ciphertext, plaintext))
        ZU_ERR("Error deciphering data");
}
