#include "Quendle/Properties/CustomIPProperty.h"

#include "ZUNet/Core/Trace.h"

#include <QRegularExpression>

#include <algorithm>

namespace
{

const QString kLengthError = QStringLiteral("Message length exceeds maximum of %1");

/// The field between the colon number `index` - 1 and the next one (index 0: before the first);
/// the last field runs to the end. False when the text has too few colons for it.
bool Field(const QString& config, int index, bool last, QString& field)
{
    int start = 0;
    for (int i = 0; i < index; ++i) {
        const int colon = config.indexOf(QLatin1Char(':'), start);
        if (colon < 0)
            return false;
        start = colon + 1;
    }
    if (last) {
        field = config.mid(start);
        return true;
    }
    const int end = config.indexOf(QLatin1Char(':'), start);
    if (end < 0)
        return false;
    field = config.mid(start, end - start);
    return true;
}

bool IsSeparator(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char(',');
}

} // namespace

cCustomIPProperty::cCustomIPProperty(
    const QString& name, const QString& address, int port, bool isTCP, bool isMIDI, QObject* parent, bool editable)
    : cProperty(name, isMIDI ? CustomMIDI : CustomIP, parent, editable)
    , mAddress(address)
    , mPort(port)
    , mIsTCP(isTCP)
    , mIsMIDI(isMIDI)
{
}

QVariant cCustomIPProperty::value() const
{
    if (mIsMIDI)
        return mHexMessage;
    return CreateConfigString(mAddress, mPort, mIsTCP, mHexMessage);
}

void cCustomIPProperty::setValue(const QVariant& value)
{
    Q_EMIT ValueAboutToChange();
    mAddress.clear();
    mPort = 0;
    mIsTCP = true;
    const QString text = value.toString();
    if (mIsMIDI) {
        // The same rule as a network message's: a MIDI text that does not parse would otherwise
        // send a zero byte for every bad token, and one of any length.
        mHexMessage = ValidHexMessage(text);
    } else {
        mAddress = ExtractIPAddressFromConfig(text);
        mPort = ExtractPortFromConfig(text);
        mIsTCP = ExtractIsTCPFromConfig(text);
        mHexMessage = ExtractHexMessageFromConfig(text);
    }
    int error = -1;
    mMessage = ConvertMessageHexToList(mHexMessage, error);
    Q_EMIT valueChanged();
}

QString cCustomIPProperty::stringValue() const
{
    if (mIsMIDI) {
        if (mHexMessage.isEmpty())
            return QString();
        if (mHexMessage.size() <= 29)
            return QStringLiteral("Hex: %1").arg(mHexMessage);
        return QStringLiteral("Hex: %1...").arg(mHexMessage.left(30));
    }
    if (mAddress.isEmpty())
        return QString();
    return QStringLiteral("%1 (Port %2, %3)")
        .arg(mAddress)
        .arg(mPort)
        .arg(mIsTCP ? QStringLiteral("TCP") : QStringLiteral("UDP"));
}

void cCustomIPProperty::setValueMIDIString(const QString& text)
{
    QString characters = text;
    if (characters.size() > MAX_MESSAGE_LENGTH) {
        ZU_ERR("Custom MIDI text of %d characters cut to %d", int(characters.size()), MAX_MESSAGE_LENGTH);
        characters.truncate(MAX_MESSAGE_LENGTH);
    }
    mAddress.clear();
    mPort = 0;
    mIsTCP = true;
    mMessage = ConvertMessageStringToList(characters);
    mHexMessage = ConvertMessageListToHex(mMessage);
    Q_EMIT valueChanged();
}

QString cCustomIPProperty::CreateConfigString(const QString& address, int port, bool isTCP, const QString& hexMessage)
{
    return QStringLiteral("%1:%2:%3:%4").arg(address).arg(port).arg(isTCP ? 1 : 0).arg(hexMessage);
}

QString cCustomIPProperty::ExtractIPAddressFromConfig(const QString& config)
{
    QString field;
    return Field(config, 0, false, field) ? field : QString();
}

int cCustomIPProperty::ExtractPortFromConfig(const QString& config)
{
    QString field;
    if (!Field(config, 1, false, field))
        return 0;
    bool ok = false;
    const qulonglong port = field.toULongLong(&ok, 10);
    const bool digitsOnly = !field.isEmpty() && std::all_of(field.begin(), field.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
    if (!ok && !digitsOnly)
        return 0;
    // A word carries the port: 70000 would go out as 4464.
    if (!ok || port > qulonglong(MAX_PORT)) {
        ZU_ERR("Custom IP port %s out of range", qPrintable(field));
        return 0;
    }
    return int(port);
}

bool cCustomIPProperty::ExtractIsTCPFromConfig(const QString& config)
{
    QString field;
    if (!Field(config, 2, false, field))
        return true;
    bool ok = false;
    const qlonglong flag = field.toLongLong(&ok, 10);
    return !(ok && flag == 0);
}

QString cCustomIPProperty::ExtractHexMessageFromConfig(const QString& config)
{
    QString field;
    if (!Field(config, 3, true, field))
        return QString();
    return ValidHexMessage(field);
}

QString cCustomIPProperty::ValidHexMessage(const QString& hex)
{
    int error = -1;
    const std::vector<UBYTE> bytes = ConvertMessageHexToList(hex, error);
    if (error >= 0)
        return QString();
    if (bytes.size() > std::size_t(MAX_MESSAGE_LENGTH))
        return ConvertMessageListToHex(std::vector<UBYTE>(bytes.begin(), bytes.begin() + MAX_MESSAGE_LENGTH));
    return hex;
}

bool cCustomIPProperty::IsIPAddressValid(const QString& text)
{
    static const QRegularExpression address(QRegularExpression::anchoredPattern(
        QStringLiteral("((25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\.){3}(25[0-4]|2[0-4][0-9]|[01]?[0-9][0-9]?)")));
    return address.match(text).hasMatch();
}

bool cCustomIPProperty::IsPortValid(const QString& text)
{
    static const QRegularExpression digits(QRegularExpression::anchoredPattern(QStringLiteral("[0-9]*")));
    if (text.isEmpty() || !digits.match(text).hasMatch())
        return false;
    bool ok = false;
    const qulonglong port = text.toULongLong(&ok, 10);
    return ok && port <= qulonglong(MAX_PORT);
}

QString cCustomIPProperty::CheckMessageStringValidity(const QString& text)
{
    return text.size() > MAX_MESSAGE_LENGTH ? kLengthError.arg(MAX_MESSAGE_LENGTH) : QString();
}

QString cCustomIPProperty::CheckMessageHexValidity(const QString& text)
{
    int error = -1;
    const std::vector<UBYTE> bytes = ConvertMessageHexToList(text, error);
    if (error >= 0)
        return QStringLiteral("Error at character %1").arg(error);
    return bytes.size() > std::size_t(MAX_MESSAGE_LENGTH) ? kLengthError.arg(MAX_MESSAGE_LENGTH) : QString();
}

QString cCustomIPProperty::CheckMessageDecValidity(const QString& text)
{
    int error = -1;
    const std::vector<UBYTE> bytes = ConvertMessageDecToList(text, error);
    if (error >= 0)
        return QStringLiteral("Error at character %1").arg(error);
    return bytes.size() > std::size_t(MAX_MESSAGE_LENGTH) ? kLengthError.arg(MAX_MESSAGE_LENGTH) : QString();
}

std::vector<UBYTE> cCustomIPProperty::ConvertMessageNumToList(const QString& text, int& errorPosition, int base)
{
    std::vector<UBYTE> bytes;
    const int length = text.size();
    int i = 0;
    while (i < length && text[i] == QLatin1Char(' '))
        ++i;
    QString token;
    for (;;) {
        const bool end = i >= length;
        if (end || IsSeparator(text[i])) {
            if (!token.isEmpty()) {
                bool ok = false;
                const qulonglong number = token.toULongLong(&ok, base);
                if (!ok || number > 255)
                    errorPosition = i;
                bytes.push_back(UBYTE(number & 0xFF));
                token.clear();
            }
            if (end)
                break;
            ++i;
            while (i < length && text[i] == QLatin1Char(' '))
                ++i;
            continue;
        }
        const QChar c = text[i];
        token.append(c.unicode() > 255 ? QChar(0) : c);
        ++i;
    }
    return bytes;
}

QString cCustomIPProperty::ConvertMessageListToNum(const std::vector<UBYTE>& bytes, int base)
{
    QString text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            text += QLatin1Char(',');
        if (bytes[i] < base)
            text += QLatin1Char('0');
        text += QString::number(bytes[i], base).toUpper();
    }
    return text;
}

std::vector<UBYTE> cCustomIPProperty::ConvertMessageStringToList(const QString& text)
{
    const QByteArray latin1 = text.toLatin1();
    return std::vector<UBYTE>(latin1.begin(), latin1.end());
}

std::vector<UBYTE> cCustomIPProperty::ConvertMessageHexToList(const QString& text, int& errorPosition)
{
    return ConvertMessageNumToList(text, errorPosition, 16);
}

std::vector<UBYTE> cCustomIPProperty::ConvertMessageDecToList(const QString& text, int& errorPosition)
{
    return ConvertMessageNumToList(text, errorPosition, 10);
}

QString cCustomIPProperty::ConvertMessageListToString(const std::vector<UBYTE>& bytes)
{
    QString text;
    text.reserve(int(bytes.size()));
    for (UBYTE byte : bytes)
        text += QChar(byte);
    return text;
}

QString cCustomIPProperty::ConvertMessageListToHex(const std::vector<UBYTE>& bytes)
{
    return ConvertMessageListToNum(bytes, 16);
}

QString cCustomIPProperty::ConvertMessageListToDec(const std::vector<UBYTE>& bytes)
{
    return ConvertMessageListToNum(bytes, 10);
}

QString cCustomIPProperty::ConvertMessageHexToString(const QString& text)
{
    int error = -1;
    return ConvertMessageListToString(ConvertMessageHexToList(text, error));
}

QString cCustomIPProperty::ConvertMessageHexToDec(const QString& text)
{
    int error = -1;
    return ConvertMessageListToDec(ConvertMessageHexToList(text, error));
}

QString cCustomIPProperty::ConvertMessageDecToHex(const QString& text)
{
    int error = -1;
    return ConvertMessageListToHex(ConvertMessageDecToList(text, error));
}

QString cCustomIPProperty::ConvertMessageDecToString(const QString& text)
{
    int error = -1;
    return ConvertMessageListToString(ConvertMessageDecToList(text, error));
}

QString cCustomIPProperty::ConvertMessageStringToHex(const QString& text)
{
    return ConvertMessageListToHex(ConvertMessageStringToList(text));
}

QString cCustomIPProperty::ConvertMessageStringToDec(const QString& text)
{
    return ConvertMessageListToDec(ConvertMessageStringToList(text));
}
