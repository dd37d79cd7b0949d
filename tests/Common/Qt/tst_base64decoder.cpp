// The Base64 decoder against Qt's own: the same bytes for every text, whole or in pieces, as bytes
// or as the UTF-16 text a stream reader hands over.
#include "Common/Qt/Base64Decoder.h"

#include <QtTest>

class tst_Base64Decoder : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sameBytesAsQt_data();
    void sameBytesAsQt();
    void textAboveLatin1IsSkipped();
    void readerTextDecodesInPlace();
};

void tst_Base64Decoder::sameBytesAsQt_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("bytes"); // what QByteArray::fromBase64 gives
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("one quad") << QByteArray("TWFu") << QByteArray("Man");
    QTest::newRow("every alphabet character")
        << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
        << QByteArray::fromHex(
               "00108310518720928b30d38f41149351559761969b71d79f8218a39259a7a29aabb2dbafc31cb3d35db7e39ebbf3dfbf");
    QTest::newRow("two padding characters") << QByteArray("TQ==") << QByteArray("M");
    QTest::newRow("one padding character") << QByteArray("TWE=") << QByteArray("Ma");
    QTest::newRow("padding left out") << QByteArray("TWE") << QByteArray("Ma");
    QTest::newRow("padding in the middle is skipped") << QByteArray("TQ==TWFu") << QByteArray::fromHex("4d04d616");
    QTest::newRow("too much padding") << QByteArray("TWFu====") << QByteArray("Man");
    QTest::newRow("line breaks and spaces") << QByteArray(" TW\r\nFu\tTW\n E=\n") << QByteArray("ManMa");
    QTest::newRow("invalid characters are skipped") << QByteArray("T!W*F.u-_") << QByteArray("Man");
    QTest::newRow("bytes above 0x7F are skipped") << QByteArray("T\xc3\xa9WFu\xff") << QByteArray("Man");
    QTest::newRow("NUL is skipped") << QByteArray("TW\0Fu", 5) << QByteArray("Man");
    QTest::newRow("truncated to one character") << QByteArray("T") << QByteArray();
    QTest::newRow("truncated to two characters") << QByteArray("TW") << QByteArray("M");
    QTest::newRow("truncated to five characters") << QByteArray("TWFuT") << QByteArray("Man");
    QTest::newRow("nothing but padding") << QByteArray("====") << QByteArray();
    QTest::newRow("URL alphabet is not this one") << QByteArray("-_-_") << QByteArray();
    QByteArray data;
    for (int i = 0; i < 3001; ++i)
        data += char(i * 7 + (i >> 5));
    QByteArray wrapped = data.toBase64();
    for (int at = 76; at < wrapped.size(); at += 78)
        wrapped.insert(at, "\r\n");
    QTest::newRow("3001 bytes, wrapped at 76") << wrapped << data;
}

void tst_Base64Decoder::sameBytesAsQt()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(QByteArray::fromBase64(text), bytes); // the table holds Qt's own answers
    QCOMPARE(cBase64Decoder::Decode(text), bytes);
    const QString wide = QString::fromLatin1(text.constData(), text.size());
    // Whole, and cut into two and three pieces at every place.
    for (int cut = 0; cut <= text.size(); ++cut) {
        cBase64Decoder decoder;
        decoder.Append(wide.constData(), cut);
        decoder.Append(wide.constData() + cut, wide.size() - cut);
        QCOMPARE(decoder.Take(), bytes);
        if (text.size() > 200)
            continue;
        for (int second = cut; second <= text.size(); ++second) {
            cBase64Decoder pieces;
            pieces.Append(text.constData(), cut);
            pieces.Append(text.constData() + cut, second - cut);
            pieces.Append(text.constData() + second, text.size() - second);
            QCOMPARE(pieces.Take(), bytes);
        }
    }
}

void tst_Base64Decoder::textAboveLatin1IsSkipped()
{
    // As Qt's decoder sees such text once it is converted to Latin-1: each such character is a
    // "?", which is not in the alphabet.
    const QString text = QStringLiteral("TW\u20acFu\u00e9TQ\U0001F600==");
    cBase64Decoder decoder;
    decoder.Append(text.constData(), text.size());
    QCOMPARE(decoder.Take(), QByteArray::fromBase64(text.toLatin1()));
    // Take starts afresh.
    decoder.Append(QStringRef(&text, 0, 5));
    QCOMPARE(decoder.Take(), QByteArray("Man"));
    QCOMPARE(decoder.Take(), QByteArray());
}

void tst_Base64Decoder::readerTextDecodesInPlace()
{
    // The reader hands text over in pieces around entity and character references.
    const QByteArray document = "<r>VG&#104;pcyBpcyBh&#x49;HRl\neHQ=&amp;</r>";
    QXmlStreamReader reader(document);
    reader.readNextStartElement();
    cBase64Decoder decoder;
    QString whole;
    while (reader.readNext() != QXmlStreamReader::EndElement) {
        decoder.Append(reader.text());
        whole += reader.text();
    }
    QCOMPARE(decoder.Take(), QByteArray::fromBase64(whole.toLatin1()));
}

QTEST_GUILESS_MAIN(tst_Base64Decoder)
#include "tst_base64decoder.moc"
