#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

/// A small password store: behind one master password it keeps each unit's hashed password,
/// enciphered (AES-128-CBC) in the application settings under "KR". Everything but the unit
/// names is enciphered; a check marker at the end of the plaintext proves the master password.
///
/// Stored value, a QDataStream (big-endian): quint32 format version, then (stream version 19)
/// the unit names as a QStringList, the initialisation vector and the ciphertext as QByteArrays.
/// Plaintext: a random prefix of 64 bytes, each unit's 64-byte hashed password in name order, the
/// 16-byte check marker.
class cKeyring
{
public:
    cKeyring();

    bool SettingExists() const;
    /// Opens the store with its master password, creating the store when there is none.
    bool Unlock(const QString& password);
    void SetPassword(const QString& password);
    /// Refused while locked: the store would lose every password it holds but those set since.
    void SaveData() const;
    bool LoadData();
    bool CheckPassword(const QString& password);
    bool ChangePassword(const QString& password);
    /// Both refused while locked, for the same reason as saving.
    void SetUnitPassword(const QString& unit, const QByteArray& hashedPassword);
    void RemoveHashedPasswordForUnit(const QString& unit);
    bool GetHashedPasswordForUnit(const QString& unit, QByteArray& hashedPassword);
    void DeleteKeyring();
    QStringList GetUnitList();
    bool IsLocked() const { return mLocked; }

    void SerializeAndEncryptData(QByteArray& data) const;
    bool DeserializeAndDecryptData(const QByteArray& data);
    void Encrypt(const QByteArray& plaintext, QByteArray& ciphertext, QByteArray& iv) const;
    void Decrypt(const QByteArray& ciphertext, const QByteArray& iv, QByteArray& plaintext) const;

    static const QString& SettingsKey();
    static const QByteArray& CheckMarker();
    /// The first 16 bytes of the master hash of `password`: the cipher key.
    static QByteArray KeyOf(const QString& password);

    static constexpr quint32 kFormatVersion = 1;
    static constexpr int kEntrySize = 64;
    static constexpr int kIvSize = 16;

private:
    bool mLocked = true;
    QByteArray mMasterHash;
    QMap<QString, QByteArray> mEntries;
    QByteArray mRandomPrefix;
    quint32 mExpectedVersion = kFormatVersion;
    quint32 mWrittenVersion = kFormatVersion;
    quint32 mEntrySize = kEntrySize;
};
