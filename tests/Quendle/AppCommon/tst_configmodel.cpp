// The configuration model: units and resources read from documents (order, refusals and their
// texts, id counters), version checks, recolouring answers, reset, the default unit, the resource
// properties, and images served from the model to the image provider while the GUI thread
// replaces them.
#include "Quendle/AppCommon/ConfigBase.h"
#include "Quendle/AppCommon/ImageProvider.h"
#include "Quendle/AppCommon/QmlUnit.h"
#include "Quendle/Properties/Properties.h"
#include "tests/support/Connections.h"
#include "tests/support/TraceCapture.h"
#include "tests/support/quendle/TestConfig.h"

#include <QAbstractItemModelTester>
#include <QBuffer>
#include <QPointer>
#include <QXmlStreamWriter>
#include <QtConcurrent>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <memory>

namespace
{

QByteArray Document(const QByteArray& body)
{
    return "<QuendleConfig version=\"1.3.1\">" + body + "</QuendleConfig>";
}

QByteArray Encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toBase64();
}

QImage Filled(int width, int height, const QColor& colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

QByteArray SvgBase64(int width, int height, const char* fill)
{
    return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %1 %2\">"
                          "<rect width=\"%1\" height=\"%2\" fill=\"%3\"/></svg>")
        .arg(width)
        .arg(height)
        .arg(QLatin1String(fill))
        .toUtf8()
        .toBase64();
}

QByteArray LittleEndian(quint32 value, int length)
{
    QByteArray bytes;
    for (int i = 0; i < length; ++i)
        bytes += char((value >> (8 * i)) & 0xff);
    return bytes;
}

/// An icon file of one entry whose directory says 16 x 16, whatever the image inside says.
QByteArray Icon(const QByteArray& inner)
{
    return LittleEndian(0, 2) + LittleEndian(1, 2) + LittleEndian(1, 2) // reserved, icon, one entry
        + QByteArray("\x10\x10\x00\x00", 4) + LittleEndian(1, 2) + LittleEndian(32, 2)
        + LittleEndian(quint32(inner.size()), 4) + LittleEndian(22, 4) + inner;
}

/// A device-independent bitmap header as an icon holds it (the height counts the mask rows too),
/// with its pixels and mask (no more than 4 KB of them).
QByteArray IconBitmap(qint32 width, qint32 height)
{
    return LittleEndian(40, 4) + LittleEndian(quint32(width), 4) + LittleEndian(quint32(height), 4) + LittleEndian(1, 2)
        + LittleEndian(32, 2) + QByteArray(24, '\0')
        + QByteArray(int(std::min<qint64>(qint64(width) * height * 4, 4096)), '\0');
}

QByteArray PngBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QString UnitText(const cConfigBase& config)
{
    QStringList parts;
    for (cConfigUnit* unit : config.units()->toList())
        parts << QStringLiteral("%1:%2%3")
                     .arg(unit->unitId())
                     .arg(unit->NameOrIpAddress())
                     .arg(unit->isPrimaryUnit() ? QStringLiteral("*") : QString());
    return parts.join(QLatin1Char(' '));
}

QString ResourceText(const cConfigBase& config)
{
    QStringList parts;
    for (cResource* resource : config.resources()->toList())
        parts << resource->resourceId() + QLatin1Char(':') + resource->Name();
    return parts.join(QLatin1Char(' '));
}

} // namespace

class tst_ConfigModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void units_data();
    void units();
    void unitAttributes();
    void primaryMarkMovesToOneUnit();
    void resources_data();
    void resources();
    void imageResourceKinds();
    void resourceProperties();
    void sizeInConfig_data();
    void sizeInConfig();
    void writeImageResource();
    void versions_data();
    void versions();
    void multiUnitVersion_data();
    void multiUnitVersion();
    void recolouring_data();
    void recolouring();
    void reset();
    void defaultUnitFromPrimary();
    void damagedIcons_data();
    void damagedIcons();
    void decodedImageBudget();
    void imagesFromTheModel();
    void imagesWhileTheGuiThreadReplacesThem();

private:
    cLocalNetwork mNetwork { false }; // without a system builder
    std::unique_ptr<cTestApplication> mApplication;
    cTestConfig* mConfig = nullptr;
    std::unique_ptr<QAbstractItemModelTester> mUnitsTester;
    std::unique_ptr<QAbstractItemModelTester> mResourcesTester;
};

void tst_ConfigModel::init()
{
    mApplication = std::make_unique<cTestApplication>();
    mConfig = new cTestConfig(mApplication.get());
    mUnitsTester = std::make_unique<QAbstractItemModelTester>(
        mConfig->units(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    mResourcesTester = std::make_unique<QAbstractItemModelTester>(
        mConfig->resources(), QAbstractItemModelTester::FailureReportingMode::Fatal);
}

void tst_ConfigModel::cleanup()
{
    mUnitsTester.reset();
    mResourcesTester.reset();
    mApplication.reset();
}

// Rows: the `Units` element's children, the units listed afterwards ("id:name", "*" for the
// primary), the next unit id, and error traces with their counts.
void tst_ConfigModel::units_data()
{
    QTest::addColumn<QByteArray>("units");
    QTest::addColumn<QString>("listed");
    QTest::addColumn<int>("nextId");
    QTest::addColumn<QStringList>("traces");

    const QByteArray pw64 = QByteArray(64, 'p').toBase64();
    const QByteArray pw63 = QByteArray(63, 'p').toBase64();
    const QByteArray pw65 = QByteArray(65, 'p').toBase64();

    QTest::newRow("order without case, equal after")
        << QByteArray("<Unit id=\"1\" nameOrIpAddress=\"b\"/><Unit id=\"2\" nameOrIpAddress=\"A\"/>"
                      "<Unit id=\"3\" nameOrIpAddress=\"c\"/><Unit id=\"4\" nameOrIpAddress=\"B\"/>")
        << "2:A 1:b 4:B 3:c" << 5 << QStringList();
    QTest::newRow("same address twice") << QByteArray(
        "<Unit id=\"1\" nameOrIpAddress=\"10.0.0.5\"/><Unit id=\"2\" nameOrIpAddress=\"10.0.0.5\"/>")
                                        << "1:10.0.0.5" << 3
                                        << QStringList { "ERROR: Duplicate unit name/ip address '10.0.0.5'",
                                               "ERROR: Failed to load unit 2 '10.0.0.5'" };
    QTest::newRow("same address, one primary")
        << QByteArray("<Unit id=\"1\" nameOrIpAddress=\"10.0.0.5\" primaryUnit=\"1\"/>"
                      "<Unit id=\"2\" nameOrIpAddress=\"10.0.0.5\"/>")
        << "1:10.0.0.5* 2:10.0.0.5" << 3 << QStringList();
    QTest::newRow("repeated id, next id already raised")
        << QByteArray("<Unit id=\"7\" nameOrIpAddress=\"a\"/><Unit id=\"7\" nameOrIpAddress=\"z\"/>") << "7:a" << 8
        << QStringList { "ERROR: Duplicate unit id 7", "ERROR: Failed to load unit 7 'z'" };
    QTest::newRow("id not a number stops the attributes")
        << QByteArray("<Unit id=\"x7\" nameOrIpAddress=\"late\"/>") << "0:" << 1
        << QStringList { "ERROR: Error reading unit id 'x7'" };
    QTest::newRow("no id") << QByteArray("<Unit nameOrIpAddress=\"n\"/><Unit id=\"1\" nameOrIpAddress=\"m\"/>") << "1:m"
                           << 2 << QStringList { "ERROR: Unit id not found" };
    QTest::newRow("id at the top of the range")
        << QByteArray("<Unit id=\"2147483647\" nameOrIpAddress=\"top\"/><Unit id=\"3\" nameOrIpAddress=\"n\"/>")
        << "3:n" << 4 << QStringList { "ERROR: Error reading unit id '2147483647'" };
    QTest::newRow("id out of range") << QByteArray("<Unit id=\"99999999999\" nameOrIpAddress=\"n\"/>") << "0:" << 1
                                     << QStringList { "ERROR: Error reading unit id '99999999999'" };
    QTest::newRow("short and long passwords, next unit still read")
        << QByteArray("<Unit id=\"1\" nameOrIpAddress=\"a\" password=\"" + pw63
               + "\"><x/></Unit><Unit id=\"2\" nameOrIpAddress=\"b\" password=\"" + pw65
               + "\"/><Unit id=\"3\" nameOrIpAddress=\"c\" password=\"" + pw64 + "\"/>")
        << "3:c" << 4 << QStringList { "ERROR: Invalid password", "ERROR: Invalid password" };
    QTest::newRow("primary only for 1") << QByteArray("<Unit id=\"1\" nameOrIpAddress=\"a\" primaryUnit=\"2\"/>"
                                                      "<Unit id=\"2\" nameOrIpAddress=\"b\" primaryUnit=\"yes\"/>")
                                        << "1:a 2:b" << 3
                                        << QStringList { "ERROR: Error reading unit primaryUnit 'yes'" };
    QTest::newRow("other children skipped whole")
        << QByteArray("<Other><Unit id=\"9\"/></Other><Unit id=\"1\" nameOrIpAddress=\"a\"><Unit id=\"5\"/></Unit>")
        << "1:a" << 2 << QStringList();
}

void tst_ConfigModel::units()
{
    QFETCH(QByteArray, units);
    QFETCH(QString, listed);
    QFETCH(int, nextId);
    QFETCH(QStringList, traces);

    QSignalSpy listChanged(mConfig, &cConfigBase::UnitsListChanged);
    cTraceCapture capture;
    QVERIFY(mConfig->ReadDocument(Document("<Units>" + units + "</Units>")));
    QCOMPARE(UnitText(*mConfig), listed);
    QCOMPARE(mConfig->GetNextUnitId(), nextId);
    QStringList errors = capture.Lines().filter(QStringLiteral("ERROR: "));
    QCOMPARE(errors, traces);
    QCOMPARE(listChanged.count(), mConfig->units()->count());
    // Refused units are gone: only the listed ones remain children of the configuration.
    QCOMPARE(
        mConfig->findChildren<cConfigUnit*>(QString(), Qt::FindDirectChildrenOnly).size(), mConfig->units()->count());
}

void tst_ConfigModel::unitAttributes()
{
    const QByteArray pw = QByteArray(64, '\x07').toBase64();
    QVERIFY(mConfig->ReadDocument(Document("<Units><Unit primaryUnit=\"1\" id=\"4\" nameOrIpAddress=\"Stage\" "
                                           "type=\"corvo32\" unitFinderIpAddress=\"10.1.2.3\" password=\""
        + pw + "\"/></Units>")));
    QCOMPARE(mConfig->units()->count(), 1);
    cConfigUnit* unit = mConfig->units()->at(0);
    QCOMPARE(unit->unitId(), 4);
    QCOMPARE(unit->type(), QStringLiteral("corvo32"));
    QCOMPARE(unit->GetUserFacingTypeString(), QStringLiteral("Corvo-32"));
    QCOMPARE(unit->FallbackAddress(), QStringLiteral("10.1.2.3"));
    QVERIFY(unit->isPrimaryUnit());
    QCOMPARE(unit->parent(), mConfig);
    QCOMPARE(mConfig->GetUnit(4), unit);
    QCOMPARE(mConfig->mPasswords.size(), 1);
    QCOMPARE(mConfig->mPasswords.at(0).second, QByteArray(64, '\x07'));
    QCOMPARE(unit->properties()->count(), 2);
    QCOMPARE(unit->properties()->at(0), unit->nameOrIpAddressProperty());
    QCOMPARE(unit->properties()->at(1), unit->userFacingTypeProperty());

    // Editing the unit's name tells the configuration's listeners.
    QSignalSpy listChanged(mConfig, &cConfigBase::UnitsListChanged);
    unit->nameOrIpAddressProperty()->setStringValue(QStringLiteral("Rack"));
    QCOMPARE(listChanged.count(), 1);

    QString written;
    QXmlStreamWriter writer(&written);
    unit->WriteXml(writer, QString());
    QCOMPARE(written, QStringLiteral("<Unit id=\"4\" nameOrIpAddress=\"Rack\" type=\"corvo32\" primaryUnit=\"1\"/>"));
}

void tst_ConfigModel::primaryMarkMovesToOneUnit()
{
    QVERIFY(mConfig->ReadDocument(Document("<Units><Unit id=\"1\" nameOrIpAddress=\"a\" primaryUnit=\"1\"/>"
                                           "<Unit id=\"2\" nameOrIpAddress=\"b\"/>"
                                           "<Unit id=\"3\" nameOrIpAddress=\"c\"/></Units>")));
    QList<cConfigUnit*> units = mConfig->units()->toList();
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (cConfigUnit* unit : units)
        spies.push_back(std::make_unique<QSignalSpy>(unit, &cConfigUnit::isPrimaryUnitChanged));

    // Unit 3 becomes the primary one: every other unit is told, whether it was primary or not.
    units[2]->SetPrimaryUnit();
    spies[2]->clear();
    QVERIFY(QMetaObject::invokeMethod(units[2], "IsPrimaryUnitChanged"));
    QCOMPARE(UnitText(*mConfig), QStringLiteral("1:a 2:b 3:c*"));
    QCOMPARE(spies[0]->count(), 1);
    QCOMPARE(spies[1]->count(), 1);
    QCOMPARE(spies[2]->count(), 1);
    QCOMPARE(units[2]->nameOrIpAddressProperty()->visible(), false);

    units[2]->UnsetPrimaryUnit();
    QVERIFY(QMetaObject::invokeMethod(units[2], "IsPrimaryUnitChanged"));
    QCOMPARE(UnitText(*mConfig), QStringLiteral("1:a 2:b 3:c"));
    QCOMPARE(units[2]->nameOrIpAddressProperty()->visible(), true);
    QCOMPARE(spies[0]->count(), 1);
}

// Rows: the `Resources` element's children, the resources listed ("id:name" in name order), the
// next resource id, error traces.
void tst_ConfigModel::resources_data()
{
    QTest::addColumn<QByteArray>("resources");
    QTest::addColumn<QString>("listed");
    QTest::addColumn<int>("nextId");
    QTest::addColumn<QStringList>("traces");

    const QByteArray png = Encoded(Filled(4, 2, Qt::green), "PNG");
    auto image = [&](const char* id, const char* name, const QByteArray& data = QByteArray()) {
        return "<Resource id=\"" + QByteArray(id) + "\" type=\"image\" name=\"" + name + "\" subtype=\"png\">"
            + (data.isNull() ? png : data) + "</Resource>";
    };

    QTest::newRow("name order without case, duplicates kept")
        << image("3", "beta") + image("1", "Alpha") + image("2", "alpha") + image("2", "Gamma")
        << "1:Alpha 2:alpha 3:beta 2:Gamma" << 4 << QStringList();
    QTest::newRow("groups, ungrouped, unknown children") << "<ResourceGroup name=\"Knobs\">" + image("5", "k")
            + "<Other/></ResourceGroup><Junk>" + image("9", "j") + "</Junk>"
            + image("6", "u") << "5:k 6:u" << 7 << QStringList();
    QTest::newRow("group without name: none of its resources")
        << "<ResourceGroup>" + image("5", "k") + "</ResourceGroup>" + image("1", "after") << "1:after" << 2
        << QStringList { "ERROR: Unable to determine resource group name" };
    QTest::newRow("no id: nothing, next read")
        << "<Resource type=\"image\" name=\"x\">" + png + "</Resource>" + image("1", "after") << "1:after" << 2
        << QStringList();
    QTest::newRow("bad id stops the attributes")
        << "<Resource id=\"x\" type=\"image\" name=\"n\">" + png + "</Resource>" + image("1", "after") << "1:after" << 2
        << QStringList { "ERROR: Error reading resource id" };
    QTest::newRow("id at the top of the range") << image("2147483647", "top") + image("1", "after") << "1:after" << 2
                                                << QStringList { "ERROR: Error reading resource id" };
    QTest::newRow("other type") << QByteArray("<Resource id=\"8\" type=\"font\" name=\"f\"><x/>data</Resource>")
            + image("1", "after")
                                << "1:after" << 9 << QStringList();
    QTest::newRow("data that is no image")
        << image("4", "bad", QByteArray("aGVsbG8gd29ybGQ=")) + image("1", "after") << "1:after" << 5
        << QStringList { "ERROR: Error loading image data from xml" };
    QTest::newRow("bad Base64") << image("4", "bad", QByteArray("!!!*^%$#@")) << "" << 5
                                << QStringList { "ERROR: Error loading image data from xml" };
    QTest::newRow("vector data in a bitmap") << image("4", "bad", SvgBase64(10, 10, "red")) << "" << 5
                                             << QStringList { "ERROR: Error loading image data from xml" };
    QTest::newRow("empty data") << image("4", "bad", QByteArray("")) << "" << 5
                                << QStringList { "ERROR: Error loading image data from xml" };
    QTest::newRow("bad default flag")
        << "<Resource id=\"1\" type=\"image\" name=\"d\" subtype=\"png\" default=\"maybe\">" + png + "</Resource>"
        << "1:d" << 2 << QStringList { "ERROR: Error reading resource default flag 'maybe'" };
}

void tst_ConfigModel::resources()
{
    QFETCH(QByteArray, resources);
    QFETCH(QString, listed);
    QFETCH(int, nextId);
    QFETCH(QStringList, traces);

    QSignalSpy inserted(mConfig, &cConfigBase::ResourceInserted);
    cTraceCapture capture;
    QVERIFY(mConfig->ReadDocument(Document("<Resources>" + resources + "</Resources>")));
    QCOMPARE(ResourceText(*mConfig), listed);
    QCOMPARE(mConfig->GetNextResourceId(), nextId);
    QCOMPARE(capture.Lines().filter(QStringLiteral("ERROR: ")), traces);
    QCOMPARE(inserted.count(), mConfig->resources()->count());
}

void tst_ConfigModel::imageResourceKinds()
{
    const QByteArray png = Encoded(Filled(5, 3, QColor(200, 10, 10)), "PNG");
    const QByteArray jpg = Encoded(Filled(16, 8, QColor(0, 0, 255)), "JPG");
    QVERIFY(mConfig->ReadDocument(Document(
        "<Resources><ResourceGroup name=\"G\">"
        "<Resource id=\"1\" type=\"image\" name=\"p\" subtype=\"png\" tags=\"b,a,,b\" recolourableColour=\"#112233\">"
        + png
        + "</Resource></ResourceGroup>"
          "<Resource id=\"2\" type=\"image\" name=\"q\" subtype=\"jpg\" recolourableColour=\"nonsense\">"
        + jpg
        + "</Resource>"
          "<Resource id=\"3\" type=\"image\" name=\"r\" subtype=\"svg\">"
        + SvgBase64(10, 20, "#0D69B9") + "</Resource></Resources>")));

    cImageResource* bitmap = mConfig->GetImageResource(QStringLiteral("1"));
    QVERIFY(bitmap);
    QCOMPARE(bitmap->Group(), QStringLiteral("G"));
    QCOMPARE(bitmap->Image().size(), QSize(5, 3));
    QCOMPARE(bitmap->Image().pixelColor(4, 2), QColor(200, 10, 10));
    QVERIFY(bitmap->RawData().isEmpty()); // the runner keeps no raw bitmap bytes
    QCOMPARE(bitmap->Tags(), (QSet<QString> { "a", "b", "" }));
    QVERIFY(bitmap->Recolourable());
    QCOMPARE(bitmap->RecolourableColour(), QColor(QStringLiteral("#112233")));
    QCOMPARE(bitmap->originalWidth(), 5);
    QCOMPARE(bitmap->type(), QStringLiteral("image"));

    cImageResource* jpeg = mConfig->GetImageResource(QStringLiteral("2"));
    QVERIFY(jpeg);
    QCOMPARE(jpeg->Group(), QStringLiteral("Custom"));
    QCOMPARE(jpeg->Image().size(), QSize(16, 8));
    QVERIFY(jpeg->Recolourable()); // present, even when it names no colour
    QVERIFY(!jpeg->RecolourableColour().isValid());

    cImageResource* svg = mConfig->GetImageResource(QStringLiteral("3"));
    QVERIFY(svg);
    QVERIFY(svg->Image().isNull());
    QVERIFY(svg->RawData().startsWith("<svg"));
    QVERIFY(!svg->Recolourable());
    QVERIFY(!mConfig->GetImageResource(QStringLiteral("4")));
}

void tst_ConfigModel::resourceProperties()
{
    const QByteArray png = Encoded(Filled(5, 3, Qt::white), "PNG");
    QVERIFY(mConfig->ReadDocument(Document("<Resources><Resource id=\"1\" type=\"image\" name=\"p\" subtype=\"png\" "
                                           "tags=\"b,a,b\">"
        + png + "</Resource><Resource id=\"2\" type=\"image\" name=\"s\" subtype=\"svg\">" + SvgBase64(1, 1, "red")
        + "</Resource></Resources>")));
    cImageResource* bitmap = mConfig->GetImageResource(QStringLiteral("1"));
    QStringList labels;
    QStringList texts;
    for (cProperty* property : bitmap->properties()->toList()) {
        labels << property->name();
        texts << property->stringValue();
    }
    QCOMPARE(
        labels, (QStringList { "Name", "Type", "Tags", "Source size", "Size in config", "Recolourable", "Layouts" }));
    QCOMPARE(texts, (QStringList { "p", "png image", "a\nb", "5 x 3", "0 B", "No", "" }));
    QVERIFY(bitmap->properties()->at(3)->visible());
    cImageResource* svg = mConfig->GetImageResource(QStringLiteral("2"));
    QVERIFY(!svg->properties()->at(3)->visible());
    QCOMPARE(svg->properties()->at(1)->stringValue(), QStringLiteral("svg image"));

    // Tags typed with line feeds and commas; empty parts dropped.
    cProperty* tags = bitmap->properties()->at(2);
    tags->setStringValue(QStringLiteral("x\n\ny,z"));
    QCOMPARE(bitmap->Tags(), (QSet<QString> { "x", "y", "z" }));
    QCOMPARE(tags->stringValue(), QStringLiteral("x\n\ny\nz"));

    bitmap->SetLayoutNames({ QStringLiteral("Main"), QStringLiteral("Second") });
    QCOMPARE(bitmap->properties()->at(6)->stringValue(), QStringLiteral("Main\nSecond\n"));
    bitmap->SetLayoutNames({});
    QCOMPARE(bitmap->properties()->at(6)->stringValue(), QString());

    QSignalSpy nameChanged(mConfig, &cConfigBase::ResourceNameChanged);
    bitmap->nameProperty()->setStringValue(QStringLiteral("renamed"));
    QCOMPARE(nameChanged.count(), 1);
    QCOMPARE(bitmap->Name(), QStringLiteral("renamed"));

    QSignalSpy selected(bitmap, &cResource::selectedChanged);
    bitmap->SetSelected(true);
    bitmap->SetSelected(true);
    QCOMPARE(selected.count(), 1);
}

void tst_ConfigModel::sizeInConfig_data()
{
    QTest::addColumn<qint64>("rawBytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << qint64(0) << "0 B";
    QTest::newRow("1024 B") << qint64(768) << "1024 B";
    QTest::newRow("just over") << qint64(769) << "1.0 KB";
    QTest::newRow("1 MB exactly") << qint64(786432) << "1024.0 KB";
    QTest::newRow("over 1 MB") << qint64(786435) << "1.0 MB";
    QTest::newRow("10 MB") << qint64(7864320) << "10.0 MB";
}

void tst_ConfigModel::sizeInConfig()
{
    QFETCH(qint64, rawBytes);
    QFETCH(QString, text);
    QCOMPARE(cImageResource::SizeInConfigText(rawBytes), text);
}

void tst_ConfigModel::writeImageResource()
{
    const QByteArray svg = SvgBase64(3, 3, "red");
    QVERIFY(mConfig->ReadDocument(Document("<Resources><Resource id=\"1\" type=\"image\" name=\"s\" subtype=\"svg\" "
                                           "tags=\"t\" recolourableColour=\"#ABCDEF\">"
        + svg + "</Resource></Resources>")));
    QString written;
    QXmlStreamWriter writer(&written);
    mConfig->GetImageResource(QStringLiteral("1"))->WriteXml(writer, true);
    QCOMPARE(written,
        QStringLiteral("<Resource id=\"1\" type=\"image\" name=\"s\" subtype=\"svg\" tags=\"t\" "
                       "recolourableColour=\"#abcdef\">%1</Resource>")
            .arg(QString::fromLatin1(svg)));
}

void tst_ConfigModel::versions_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("newer");
    QTest::newRow("same") << "1.3.1" << true << false;
    QTest::newRow("patch") << "1.3.2" << true << true;
    QTest::newRow("minor") << "1.4.0" << true << true;
    QTest::newRow("major") << "2.0.0" << true << true;
    QTest::newRow("numeric fields") << "1.3.10" << true << true;
    QTest::newRow("older") << "1.2.99" << true << false;
    QTest::newRow("surrounded") << "xV1.4.0X" << true << true;
    QTest::newRow("two fields") << "1.3" << false << false;
    QTest::newRow("words") << "abc" << false << false;
    QTest::newRow("field too large") << "99999999999.0.0" << false << false;
}

void tst_ConfigModel::versions()
{
    QFETCH(QString, version);
    QFETCH(bool, valid);
    QFETCH(bool, newer);

    // Start from "newer": an invalid text must leave the flag as it was.
    QVERIFY(mConfig->ValidateVersionStringSetIsNewer(QStringLiteral("9.9.9")));
    QSignalSpy changed(mConfig, &cConfigBase::configVersionIsNewerChanged);
    QCOMPARE(mConfig->ValidateVersionStringSetIsNewer(version), valid);
    QCOMPARE(mConfig->configVersionIsNewer(), valid ? newer : true);
    QCOMPARE(changed.count(), valid && !newer ? 1 : 0);
    QCOMPARE(cConfigBase::CCReleaseVersion(), QStringLiteral("1.3.1"));
    QCOMPARE(cConfigBase::CCReleaseVersionArray(), (std::array<UBYTE, 3> { 1, 3, 1 }));
}

void tst_ConfigModel::multiUnitVersion_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("multiUnit");
    QTest::newRow("threshold") << "1.3.0" << true;
    QTest::newRow("release") << "1.3.1" << true;
    QTest::newRow("short") << "1.4" << true;
    QTest::newRow("older") << "1.2.99" << false;
    QTest::newRow("text comparison") << "1.10.0" << false;
    QTest::newRow("letter first") << "V1.0.0" << true;
}

void tst_ConfigModel::multiUnitVersion()
{
    QFETCH(QString, version);
    QFETCH(bool, multiUnit);
    QCOMPARE(cConfigBase::VersionIsMultiUnitVersion(version), multiUnit);
}

void tst_ConfigModel::recolouring_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("recolourable");
    QTest::addColumn<QString>("colour");
    QTest::newRow("basic") << "_basic_square" << true << "#ffffff";
    QTest::newRow("built-in") << "default_knob" << true << "#6eff36";
    QTest::newRow("button off") << "default_btn_off_0" << false << "#6eff36";
    QTest::newRow("led off") << "default_led_off_0" << false << "#6eff36";
    QTest::newRow("led on") << "default_led_on_0" << true << "#6eff36";
    QTest::newRow("theme 0") << "default_th_0" << true << "#6eff36";
    QTest::newRow("theme 1") << "default_th_1_x" << true << "#fe4f00";
    QTest::newRow("theme 2") << "default_th_2" << true << "#0d72b8";
    QTest::newRow("theme 3 knob") << "default_th_3_knob" << true << "#ffd100";
    QTest::newRow("theme 4") << "default_th_4" << true << "#0d69b9";
    QTest::newRow("theme 7") << "default_th_7" << true << "#ffffff";
    QTest::newRow("theme too large") << "default_th_99999999999" << true << "#6eff36";
    QTest::newRow("thumb") << "default_thumb" << true << "#ffffff";
    QTest::newRow("resource, flag set") << "1" << true << "#123456";
    QTest::newRow("resource, colour without flag") << "2" << false << "#000000";
    QTest::newRow("unknown") << "3" << false << "#ffffff";
    QTest::newRow("case matters") << "Default_knob" << false << "#ffffff";
}

void tst_ConfigModel::recolouring()
{
    QFETCH(QString, id);
    QFETCH(bool, recolourable);
    QFETCH(QString, colour);

    const QByteArray png = Encoded(Filled(2, 2, Qt::black), "PNG");
    QVERIFY(mConfig->ReadDocument(Document("<Resources><Resource id=\"1\" type=\"image\" name=\"a\" subtype=\"png\" "
                                           "recolourableColour=\"#123456\">"
        + png + "</Resource><Resource id=\"2\" type=\"image\" name=\"b\" subtype=\"png\">" + png
        + "</Resource></Resources>")));
    QCOMPARE(mConfig->isImageRecolourable(id), recolourable);
    // A resource without the attribute has an invalid colour, which names black.
    QCOMPARE(mConfig->getRecolourableColour(id).name(), colour);
}

void tst_ConfigModel::reset()
{
    const QByteArray png = Encoded(Filled(2, 2, Qt::black), "PNG");
    QVERIFY(mConfig->ReadDocument(Document("<Units><Unit id=\"3\" nameOrIpAddress=\"a\"/></Units><Resources>"
                                           "<Resource id=\"5\" type=\"image\" name=\"r\" subtype=\"png\">"
        + png + "</Resource></Resources>")));
    QVERIFY(mConfig->ValidateVersionStringSetIsNewer(QStringLiteral("2.0.0")));
    mConfig->SetVersionString(QStringLiteral("2.0.0"));
    QPointer<cConfigUnit> unit = mConfig->units()->at(0);
    QPointer<cResource> resource = mConfig->resources()->at(0);

    QSignalSpy versionChanged(mConfig, &cConfigBase::versionStringChanged);
    QSignalSpy newerChanged(mConfig, &cConfigBase::configVersionIsNewerChanged);
    mConfig->Reset(false);
    QVERIFY(!unit);
    QVERIFY(resource);
    QCOMPARE(mConfig->units()->count(), 0);
    QCOMPARE(mConfig->resources()->count(), 1);
    QCOMPARE(mConfig->GetNextUnitId(), 0);
    QCOMPARE(mConfig->GetNextResourceId(), 6);
    QVERIFY(!mConfig->configVersionIsNewer());
    QCOMPARE(mConfig->version(), QStringLiteral("1.3.1"));
    QCOMPARE(versionChanged.count(), 0);
    QCOMPARE(newerChanged.count(), 0);

    mConfig->Reset(true);
    QVERIFY(!resource);
    QCOMPARE(mConfig->resources()->count(), 0);
    QCOMPARE(mConfig->GetNextResourceId(), 0);
    sImageData data;
    QVERIFY(!mConfig->FindImageData(QStringLiteral("5"), data));
}

void tst_ConfigModel::defaultUnitFromPrimary()
{
    QCOMPARE(mConfig->AddDefaultUnitFromPrimary(), -1); // no primary unit yet

    cConnectionUnit primary(nullptr, QStringLiteral("10.0.0.9"), QStringLiteral("tarvo"), mConfig);
    mApplication->mPrimary = &primary;
    QCOMPARE(mConfig->AddDefaultUnitFromPrimary(), 0);
    QCOMPARE(UnitText(*mConfig), QStringLiteral("0:10.0.0.9*"));
    QCOMPARE(mConfig->units()->at(0)->type(), QStringLiteral("tarvo"));
    QCOMPARE(mConfig->units()->at(0)->FallbackAddress(), QString());

    // A second one is refused (the id 0 is taken), deleted, and nothing may bind to it.
    cTraceCapture capture;
    QCOMPARE(mConfig->AddDefaultUnitFromPrimary(), -1);
    QCOMPARE(capture.Count(QStringLiteral("ERROR: Duplicate unit id 0")), 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(mConfig->findChildren<cConfigUnit*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
    mApplication->mPrimary = nullptr;
}

// Rows: an icon file and whether it is read. The directory says 16 x 16 each time; the decoder
// allocates what the image inside says.
void tst_ConfigModel::damagedIcons_data()
{
    QTest::addColumn<QByteArray>("icon");
    QTest::addColumn<bool>("read");

    QImage small(16, 16, QImage::Format_ARGB32);
    small.fill(Qt::blue);
    QTest::newRow("PNG inside, as it says") << Icon(PngBytes(small)) << true;
    // Just past the pixel limit, and small enough to decode when nothing holds the limit.
    const int side = int(std::sqrt(double(cConfigBase::kMaxImagePixels))) + 1;
    QImage large(side, side, QImage::Format_Grayscale8);
    large.fill(0);
    QTest::newRow("PNG inside past the pixel limit") << Icon(PngBytes(large)) << false;
    QTest::newRow("bitmap inside, as it says") << Icon(IconBitmap(16, 32)) << true;
    QTest::newRow("bitmap inside past the pixel limit") << Icon(IconBitmap(100000, 200000)) << false;
}

void tst_ConfigModel::damagedIcons()
{
    QFETCH(QByteArray, icon);
    QFETCH(bool, read);

    QVERIFY(mConfig->ReadDocument(Document("<Resources><Resource id=\"1\" type=\"image\" name=\"i\" subtype=\"ico\">"
        + icon.toBase64() + "</Resource></Resources>")));
    QCOMPARE(mConfig->GetImageResource(QStringLiteral("1")) != nullptr, read);
}

// Bitmaps claiming sizes within the pixel limit, more of them than the decoded-image budget holds:
// as many as fit are made, the rest are refused with a trace, and a new read has the budget again.
void tst_ConfigModel::decodedImageBudget()
{
    QImage image(4096, 4096, QImage::Format_ARGB32);
    image.fill(Qt::green);
    const QByteArray png = Encoded(image, "PNG");
    const int fitting = int(cConfigBase::kMaxDecodedImageBytes / image.sizeInBytes());
    QByteArray resources;
    for (int i = 0; i <= fitting; ++i)
        resources += "<Resource id=\"" + QByteArray::number(i) + "\" type=\"image\" name=\"n\" subtype=\"png\">" + png
            + "</Resource>";

    for (int round = 0; round < 2; ++round) {
        mConfig->Reset(true);
        cTraceCapture capture;
        QVERIFY(mConfig->ReadDocument(Document("<Resources>" + resources + "</Resources>")));
        QCOMPARE(mConfig->resources()->count(), fitting);
        QCOMPARE(capture.Lines().filter(QStringLiteral("ERROR: ")),
            (QStringList { "ERROR: Decoded images past 512 MB: an image of 4096 x 4096 refused",
                "ERROR: Error loading image data from xml" }));
    }
}

void tst_ConfigModel::imagesFromTheModel()
{
    const QByteArray png = Encoded(Filled(6, 3, QColor(20, 200, 20)), "PNG");
    const QByteArray jpg = Encoded(Filled(8, 8, QColor(0, 0, 255)), "JPG");
    QVERIFY(mConfig->ReadDocument(Document("<Resources><Resource id=\"1\" type=\"image\" name=\"p\" subtype=\"png\">"
        + png + "</Resource><Resource id=\"2\" type=\"image\" name=\"j\" subtype=\"jpg\">" + jpg
        + "</Resource><Resource id=\"3\" type=\"image\" name=\"s\" subtype=\"svg\" recolourableColour=\"#FFD100\">"
        + SvgBase64(20, 10, "#FFD100") + "</Resource></Resources>")));
    cImageProvider provider(*mApplication);
    QSize size;

    QImage image = provider.requestImage(QStringLiteral("1"), &size, QSize(64, 64));
    QCOMPARE(size, QSize(6, 3));
    QCOMPARE(image.pixelColor(5, 2), QColor(20, 200, 20));

    image = provider.requestImage(QStringLiteral("2:"), &size, QSize(64, 64));
    QCOMPARE(size, QSize(8, 8));
    const QColor blue = image.pixelColor(4, 4);
    QVERIFY(blue.blue() > 240 && blue.red() < 16 && blue.green() < 16);

    // The recolourable colour the widgets' shader looks for is there, at the fitted size.
    image = provider.requestImage(QStringLiteral("3:preserveAspectFit"), &size, QSize(64, 64));
    QCOMPARE(size, QSize(64, 32));
    QCOMPARE(image.pixelColor(10, 10), mConfig->getRecolourableColour(QStringLiteral("3")));
}

// The image provider serves asynchronous images from threads of its own; the GUI thread meanwhile
// resets and re-reads the configuration. Every answer is an image of the old or the new
// configuration, or the placeholder, never freed memory (the sanitizer builds check the latter).
void tst_ConfigModel::imagesWhileTheGuiThreadReplacesThem()
{
    const QByteArray blue = Encoded(Filled(4, 4, Qt::blue), "PNG");
    const QByteArray green = Encoded(Filled(4, 4, Qt::green), "PNG");
    auto document = [](const QByteArray& png) {
        QByteArray resources;
        for (int i = 0; i < 20; ++i)
            resources += "<Resource id=\"" + QByteArray::number(i) + "\" type=\"image\" name=\"n"
                + QByteArray::number(i) + "\" subtype=\"png\">" + png + "</Resource>";
        return Document("<Resources>" + resources + "</Resources>");
    };
    const QByteArray first = document(blue);
    const QByteArray second = document(green);
    QVERIFY(mConfig->ReadDocument(first));

    cImageProvider provider(*mApplication);
    std::atomic<bool> stop { false };
    std::atomic<int> wrong { 0 };
    std::atomic<int> served { 0 };
    // A pool of the test's own, so no thread is left running when the program exits.
    QThreadPool pool;
    QFuture<void> requests = QtConcurrent::run(&pool, [&] {
        int i = 0;
        while (!stop.load()) {
            QSize size;
            const QImage image = provider.requestImage(QString::number(i++ % 20), &size, QSize(8, 8));
            const QColor colour = image.pixelColor(1, 1);
            if (colour != QColor(Qt::blue) && colour != QColor(Qt::green) && colour != QColor(Qt::red))
                ++wrong;
            ++served;
        }
    });
    for (int round = 0; round < 40; ++round) {
        mConfig->Reset(true);
        QVERIFY(mConfig->ReadDocument(round % 2 ? first : second));
    }
    QTRY_VERIFY(served.load() > 100);
    stop = true;
    requests.waitForFinished();
    QCOMPARE(wrong.load(), 0);
}

QTEST_MAIN(tst_ConfigModel)
#include "tst_configmodel.moc"
