#include "Quendle/AppCommon/PasswordHashing.h"

#include "Quendle/AppCommon/Encryption.h"

#include <QCryptographicHash>

namespace Quendle
{

std::string GetHashedString(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    const int nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return QCryptographicHash::hash(bytes, QCryptographicHash::Keccak_512).toBase64().toStdString();
}

QString ScrambledPasswordText(const QString& password)
{
    // The unit expects exactly this block: 16 code units, those above 255 as 0, spaces past the end.
    unsigned char block[16];
    for (int i = 0; i < 16; ++i) {
        if (i < password.size()) {
            const ushort unit = password.at(i).unicode();
            block[i] = unit < 256 ? static_cast<unsigned char>(unit) : 0;
        } else {
            block[i] = 0x20;
        }
    }
    return QString::number(cEncryption::EncryptPassword(block));
}

std::string GetHashedPassword(const QString& password)
{
    return GetHashedString(ScrambledPasswordText(password));
}

std::string GetHashedBlankPassword()
{
    static const std::string hashed = GetHashedPassword(QString());
    return hashed;
}

std::string GetHashedAdminUsername()
{
    static const std::string hashed = GetHashedString(QStringLiteral("Admin"));
    return hashed;
}

} // namespace Quendle
