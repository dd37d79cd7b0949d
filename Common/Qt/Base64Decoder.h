#pragma once

#include <QByteArray>
#include <QChar>
#include <QStringRef>

/// Decodes Base64 exactly as `QByteArray::fromBase64` does with its default options: every
/// character outside the alphabet (line breaks, spaces, "=" wherever it stands, anything above
/// 0x7F) is skipped, and the bits left over after the last whole byte are dropped. The text may
/// come in pieces, each decoded where it lies: a stream reader's text needs no copy, and no
/// Latin-1 conversion first.
class cBase64Decoder
{
public:
    void Append(const QChar* text, qsizetype length);
    void Append(const QStringRef& text) { Append(text.constData(), text.size()); }
    void Append(const char* text, qsizetype length);
    /// The bytes decoded so far; the decoder starts again empty.
    QByteArray Take();

    static QByteArray Decode(const QByteArray& base64);

private:
    template <typename tChar> void AppendText(const tChar* text, qsizetype length);

    QByteArray mBytes;
    qsizetype mSize = 0;
    quint32 mBits = 0; // the last mBitCount bits not yet making a byte
    int mBitCount = 0;
};
