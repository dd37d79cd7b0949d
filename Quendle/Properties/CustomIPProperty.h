#pragma once

#include "Quendle/Properties/Property.h"
#include "ZUNet/Core/ZUNetTypes.h"

#include <vector>

/// A user-defined message a button has its unit send: to an address and port over TCP or UDP
/// (kind CustomIP, value "address:port:isTCP:hex"), or as MIDI (kind CustomMIDI, value the hex
/// text alone). Either form holds at most 1000 bytes; text that does not parse holds none.
class cCustomIPProperty : public cProperty
{
    Q_OBJECT

public:
    static constexpr int MAX_MESSAGE_LENGTH = 1000;
    static constexpr int MAX_PORT = 65535;

    cCustomIPProperty(const QString& name, const QString& address, int port, bool isTCP, bool isMIDI, QObject* parent,
        bool editable = true);

    QVariant value() const override;
    void setValue(const QVariant& value) override;
    QString stringValue() const override;
    /// The message typed as characters (Latin-1), at most 1000 of them.
    void setValueMIDIString(const QString& text);

    Q_INVOKABLE QString addressValue() const { return mAddress; }
    Q_INVOKABLE int portValue() const { return mPort; }
    Q_INVOKABLE bool isTCPValue() const { return mIsTCP; }
    Q_INVOKABLE QString hexMessageValue() const { return mHexMessage; }
    Q_INVOKABLE bool isMIDI() const { return mIsMIDI; }
    const std::vector<UBYTE>& Message() const { return mMessage; }

    static QString CreateConfigString(const QString& address, int port, bool isTCP, const QString& hexMessage);
    static QString ExtractIPAddressFromConfig(const QString& config);
    /// 0 when missing, not a number, or above 65535.
    static int ExtractPortFromConfig(const QString& config);
    static bool ExtractIsTCPFromConfig(const QString& config);
    /// The hex text after the third ":" when it parses; cut to 1000 bytes; empty otherwise.
    static QString ExtractHexMessageFromConfig(const QString& config);
    /// `hex` when it parses in base 16 and holds at most 1000 bytes; its first 1000 bytes written
    /// back when it holds more; empty when it does not parse.
    static QString ValidHexMessage(const QString& hex);

    static bool IsIPAddressValid(const QString& text);
    static bool IsPortValid(const QString& text);
    /// Empty when valid, otherwise the text to show.
    static QString CheckMessageStringValidity(const QString& text);
    static QString CheckMessageHexValidity(const QString& text);
    static QString CheckMessageDecValidity(const QString& text);

    /// Tokens of the base separated by blanks or commas; every token adds its low byte. The
    /// position where the last bad token (not a number, above 255) ended goes to `errorPosition`,
    /// which the caller sets to -1.
    static std::vector<UBYTE> ConvertMessageNumToList(const QString& text, int& errorPosition, int base);
    /// Each byte in the base, upper case, at least two digits, separated by ",".
    static QString ConvertMessageListToNum(const std::vector<UBYTE>& bytes, int base);
    static std::vector<UBYTE> ConvertMessageStringToList(const QString& text);
    static std::vector<UBYTE> ConvertMessageHexToList(const QString& text, int& errorPosition);
    static std::vector<UBYTE> ConvertMessageDecToList(const QString& text, int& errorPosition);
    static QString ConvertMessageListToString(const std::vector<UBYTE>& bytes);
    static QString ConvertMessageListToHex(const std::vector<UBYTE>& bytes);
    static QString ConvertMessageListToDec(const std::vector<UBYTE>& bytes);
    static QString ConvertMessageHexToString(const QString& text);
    static QString ConvertMessageHexToDec(const QString& text);
    static QString ConvertMessageDecToHex(const QString& text);
    static QString ConvertMessageDecToString(const QString& text);
    static QString ConvertMessageStringToHex(const QString& text);
    static QString ConvertMessageStringToDec(const QString& text);

private:
    QString mAddress;
    int mPort;
    bool mIsTCP;
    const bool mIsMIDI;
    QString mHexMessage;
    std::vector<UBYTE> mMessage;
};
