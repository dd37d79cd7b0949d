// The plain widgets (date and time, image, rectangle, text): defaults, property lists, attribute
// loading, the Qt properties their views read, visibility rules and change signals.

#include "Quendle/Properties/Properties.h"
#include "Quendle/Widgets/Plain/DateTimeWidget.h"
#include "Quendle/Widgets/Plain/ImageWidget.h"
#include "Quendle/Widgets/Plain/RectangleWidget.h"
#include "Quendle/Widgets/Plain/TextWidget.h"
#include "tests/support/quendle/TestConfig.h"
#include "tests/support/quendle/WidgetTestKit.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace
{

QStringList Names(const cWidget& widget)
{
    QStringList names;
    for (cProperty* property : widget.AllProperties())
        names.append(property->name());
    return names;
}

// The base's eight properties come first in every widget.
const QStringList kBaseNames { "X", "Y", "Width", "Height", "Z", "Content Size Mode", "PixelAspect", "PositionLock" };

// A small PNG, as the configuration carries it.
QByteArray PngBase64()
{
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toBase64();
}

} // namespace

class tst_PlainWidgets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void dateTimeDefaults();
    void dateTimeAttributes_data();
    void dateTimeAttributes();
    void dateTimeSignals_data();
    void dateTimeSignals();
    void dateTimeIndexOutsideTables();

    void imageDefaults();
    void imageAttributes_data();
    void imageAttributes();
    void imageFollowsItsResource();

    void rectangleDefaults();
    void rectangleAttributes_data();
    void rectangleAttributes();
    void rectangleSignals();

    void textDefaults();
    void textAttributes_data();
    void textAttributes();
    void textIndexOutsideAlignments();
    void longTextsAreCut_data();
    void longTextsAreCut();

    void writtenAttributesReadBack();
    void neverDisabledByGoingOnAndOffLine();

private:
    std::unique_ptr<cTestApplication> mApplication;
    std::unique_ptr<cTestConfig> mConfig;
};

void tst_PlainWidgets::init()
{
    mApplication = std::make_unique<cTestApplication>();
    mConfig = std::make_unique<cTestConfig>(mApplication.get());
    // Image 1 is recolourable, image 2 is not.
    QVERIFY(mConfig->ReadDocument(
        "<QuendleConfig><Resources>"
        "<Resource id=\"1\" type=\"image\" name=\"tint\" subtype=\"png\" recolourableColour=\"#ff0000\">"
        + PngBase64()
        + "</Resource>"
          "<Resource id=\"2\" type=\"image\" name=\"plain\" subtype=\"png\">"
        + PngBase64() + "</Resource></Resources></QuendleConfig>"));
    QVERIFY(mConfig->isImageRecolourable("1"));
    QVERIFY(!mConfig->isImageRecolourable("2"));
}

void tst_PlainWidgets::cleanup()
{
    mConfig.reset();
    mApplication.reset();
}

void tst_PlainWidgets::dateTimeDefaults()
{
    cDateTimeWidget widget(7, nullptr);
    QCOMPARE(widget.Type(), QStringLiteral("datetime"));
    QCOMPARE(widget.property("type").toString(), QStringLiteral("datetime"));
    QCOMPARE(Names(widget),
        (kBaseNames
            + QStringList { "Face Format", "Digital Time", "Analogue Time", "Date Format", "Custom Date Format", "Font",
                "Colour", "Background Colour", "Show Border", "Border Colour", "Radius" }));
    QCOMPARE(widget.property("faceFormat").toString(), QStringLiteral("digital"));
    QCOMPARE(widget.property("timeFormat").toString(), QStringLiteral("hh:mm:ss"));
    QCOMPARE(widget.property("dateFormat").toString(), QStringLiteral("dd.MM"));
    QCOMPARE(widget.property("font").toString(), QStringLiteral("lato"));
    QCOMPARE(widget.property("colour").toString(), QStringLiteral("#000000"));
    QCOMPARE(widget.property("backgroundColour").toString(), QStringLiteral("#ffffff"));
    QCOMPARE(widget.property("borderColour").toString(), QStringLiteral("#000000"));
    QCOMPARE(widget.property("showBorder").toBool(), true);
    QCOMPARE(widget.property("cornerRadius").toFloat(), 0.0f);
    QCOMPARE(widget.customDateFormatString(), QStringLiteral("dd/MM/yy"));
    QVERIFY(!widget.CustomDateFormatProperty()->visible());
    QVERIFY(!widget.AnalogueTimeProperty()->visible());
    QVERIFY(widget.DigitalTimeProperty()->visible());
    QVERIFY(widget.RadiusProperty()->visible());
    QVERIFY(widget.BorderColourProperty()->visible());
    QVERIFY(!widget.disabled());
}

void tst_PlainWidgets::dateTimeAttributes_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<QString>("face");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("date");
    // Visible: Digital Time, Analogue Time, Radius, Border Colour, Custom Date Format.
    QTest::addColumn<QString>("visible");
    QTest::addColumn<bool>("border");

    // Attributes as written; the face, time and date formats and the visible properties read back.
    const struct {
        const char* name;
        const char* attributes;
        const char* face;
        const char* time;
        const char* date;
        const char* visible;
        bool border;
    } rows[] = {
        { "none", "", "digital", "hh:mm:ss", "dd.MM", "DRB", true },
        { "digital without seconds", "digitalTimeFormat=\"hh:mm\"", "digital", "hh:mm", "dd.MM", "DRB", true },
        { "analogue without second hand", "faceFormat=\"analogue\" analogueTimeFormat=\"hh:mm\"", "analogue", "hh:mm",
            "dd.MM", "AB", true },
        { "analogue face ignores the digital format", "faceFormat=\"analogue\" digitalTimeFormat=\"h:mm:ss:a\"",
            "analogue", "hh:mm:ss", "dd.MM", "AB", true },
        { "twelve hour", "digitalTimeFormat=\"h:mm:a\"", "digital", "h:mm:a", "dd.MM", "DRB", true },
        { "date only", "faceFormat=\"date\" dateFormat=\"dddd, MMMM d, yyyy\"", "date", "hh:mm:ss",
            "dddd, MMMM d, yyyy", "RB", true },
        { "custom date", "dateFormat=\"custom\" customDateFormat=\"dd.MM.yyyy\"", "digital", "hh:mm:ss", "dd.MM.yyyy",
            "DRBC", true },
        { "custom text before the choice", "customDateFormat=\"yy\" dateFormat=\"custom\"", "digital", "hh:mm:ss", "yy",
            "DRBC", true },
        { "hidden date", "dateFormat=\"hidden\"", "digital", "hh:mm:ss", "hidden", "DRB", true },
        { "no border hides its colour", "showBorder=\"no\"", "digital", "hh:mm:ss", "dd.MM", "DR", false },
        { "No with a capital is not no", "showBorder=\"No\"", "digital", "hh:mm:ss", "dd.MM", "DRB", true },
        { "unknown codes select the first entries",
            "faceFormat=\"Analogue\" digitalTimeFormat=\"HH:mm\" dateFormat=\"yyyy\"", "digital", "hh:mm:ss", "dd.MM",
            "DRB", true },
    };
    for (const auto& row : rows)
        QTest::newRow(row.name) << row.attributes << row.face << row.time << row.date << row.visible << row.border;
}

void tst_PlainWidgets::dateTimeAttributes()
{
    QFETCH(QString, attributes);
    QFETCH(QString, face);
    QFETCH(QString, time);
    QFETCH(QString, date);
    QFETCH(QString, visible);
    QFETCH(bool, border);

    cDateTimeWidget widget(3, nullptr);
    QVERIFY(WidgetTest::Load(widget, WidgetTest::Element(widget, attributes)));
    QCOMPARE(widget.property("faceFormat").toString(), face);
    QCOMPARE(widget.property("timeFormat").toString(), time);
    QCOMPARE(widget.property("dateFormat").toString(), date);
    QCOMPARE(widget.property("showBorder").toBool(), border);
    QString shown;
    if (widget.DigitalTimeProperty()->visible())
        shown += 'D';
    if (widget.AnalogueTimeProperty()->visible())
        shown += 'A';
    if (widget.RadiusProperty()->visible())
        shown += 'R';
    if (widget.BorderColourProperty()->visible())
        shown += 'B';
    if (widget.CustomDateFormatProperty()->visible())
        shown += 'C';
    QCOMPARE(shown, visible);
}

void tst_PlainWidgets::dateTimeSignals_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<QStringList>("emitted");

    QTest::newRow("face") << "faceFormat=\"analogue\"" << QStringList { "faceFormatChanged", "timeFormatChanged" };
    QTest::newRow("same face") << "faceFormat=\"digital\"" << QStringList();
    QTest::newRow("digital time") << "digitalTimeFormat=\"hh:mm\"" << QStringList { "timeFormatChanged" };
    QTest::newRow("analogue time") << "analogueTimeFormat=\"hh:mm\"" << QStringList { "timeFormatChanged" };
    QTest::newRow("date") << "dateFormat=\"MM.dd\"" << QStringList { "selectedDateFormatChanged" };
    QTest::newRow("custom date text") << "customDateFormat=\"yyyy\"" << QStringList { "selectedDateFormatChanged" };
    QTest::newRow("border") << "showBorder=\"no\"" << QStringList { "showBorderChanged" };
    QTest::newRow("font") << "textFont=\"exo2\"" << QStringList { "fontChanged" };
    QTest::newRow("colours") << "colour=\"red\" backgroundColour=\"blue\" borderColour=\"#123456\""
                             << QStringList { "backgroundColourChanged", "borderColourChanged", "colourChanged" };
    QTest::newRow("colour Qt cannot read") << "colour=\"nocolour\"" << QStringList();
    QTest::newRow("radius") << "radius=\"0.5\"" << QStringList { "cornerRadiusChanged" };
}

void tst_PlainWidgets::dateTimeSignals()
{
    QFETCH(QString, attributes);
    QFETCH(QStringList, emitted);

    cDateTimeWidget widget(3, nullptr);
    WidgetTest::cSignalCounter counter(&widget);
    QVERIFY(WidgetTest::Load(widget, WidgetTest::Element(widget, attributes)));
    QCOMPARE(counter.Emitted(), emitted);
}

void tst_PlainWidgets::dateTimeIndexOutsideTables()
{
    // QML may write any number into a combo's value; no code is taken from outside a table.
    cDateTimeWidget widget(3, nullptr);
    widget.FaceFormatProperty()->setValue(7);
    widget.DateFormatProperty()->setValue(-1);
    widget.ShowBorderProperty()->setValue(2);
    widget.AnalogueTimeProperty()->setValue(40);
    QCOMPARE(widget.faceFormat(), QString());
    QCOMPARE(widget.timeFormat(), QString());
    QCOMPARE(widget.dateFormat(), QString());
    QCOMPARE(widget.getSelectedDateFormat(), QString());
    QCOMPARE(widget.showBorder(), false);
    // A face outside the table leaves the time properties as they were.
    QVERIFY(widget.DigitalTimeProperty()->visible());
    QVERIFY(widget.BorderColourProperty()->visible());
}

void tst_PlainWidgets::imageDefaults()
{
    cImageWidget widget(4, nullptr, *mConfig);
    QCOMPARE(widget.Type(), QStringLiteral("image"));
    QCOMPARE(Names(widget), (kBaseNames + QStringList { "Image", "Colour", "Opacity" }));
    QCOMPARE(widget.property("imageIdentifier").toString(), QStringLiteral("_default"));
    QCOMPARE(widget.property("colour").toString(), QStringLiteral("#d7d6d5"));
    QCOMPARE(widget.property("opacity").toFloat(), 1.0f);
    // "_default" is not recolourable in a configuration without such an image.
    QVERIFY(!widget.ColourProperty()->visible());
    QCOMPARE(widget.ImageIdentifiers(), QStringList { "_default" });
}

void tst_PlainWidgets::imageAttributes_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("colour");
    QTest::addColumn<float>("opacity");
    QTest::addColumn<bool>("colourShown");

    // Attributes as written; the image id, colour and opacity read back and whether the colour is shown.
    const struct {
        const char* name;
        const char* attributes;
        const char* id;
        const char* colour;
        float opacity;
        bool colourShown;
    } rows[] = {
        { "recolourable resource", "resourceId=\"1\" colour=\"#00ff00\" opacity=\"50\"", "1", "#00ff00", 0.5f, true },
        { "plain resource", "resourceId=\"2\"", "2", "#d7d6d5", 1.0f, false },
        { "built-in image", "resourceId=\"default_knob_0\"", "default_knob_0", "#d7d6d5", 1.0f, true },
        { "built-in image never tinted", "resourceId=\"default_btn_off_0\"", "default_btn_off_0", "#d7d6d5", 1.0f,
            false },
        { "missing resource", "resourceId=\"99\"", "99", "#d7d6d5", 1.0f, false },
        { "opacity not a number makes it invisible", "opacity=\"abc\"", "_default", "#d7d6d5", 0.0f, false },
        { "opacity kept as given", "opacity=\"250\"", "_default", "#d7d6d5", 2.5f, false },
        { "colour with alpha", "colour=\"#80ff0000\"", "_default", "#80ff0000", 1.0f, false },
        { "colour Qt cannot read", "colour=\"reddish\"", "_default", "#d7d6d5", 1.0f, false },
    };
    for (const auto& row : rows)
        QTest::newRow(row.name) << row.attributes << row.id << row.colour << row.opacity << row.colourShown;
}

void tst_PlainWidgets::imageAttributes()
{
    QFETCH(QString, attributes);
    QFETCH(QString, id);
    QFETCH(QString, colour);
    QFETCH(float, opacity);
    QFETCH(bool, colourShown);

    cImageWidget widget(4, nullptr, *mConfig);
    QVERIFY(WidgetTest::Load(widget, WidgetTest::Element(widget, attributes)));
    QCOMPARE(widget.property("imageIdentifier").toString(), id);
    QCOMPARE(widget.property("colour").toString(), colour);
    QCOMPARE(widget.property("opacity").toFloat(), opacity);
    QCOMPARE(widget.ColourProperty()->visible(), colourShown);
}

void tst_PlainWidgets::imageFollowsItsResource()
{
    cImageWidget widget(4, nullptr, *mConfig);
    QVERIFY(WidgetTest::Load(widget, WidgetTest::Element(widget, "resourceId=\"2\"")));
    WidgetTest::cSignalCounter counter(&widget);

    Q_EMIT mConfig->ResourceChanged("1");
    QCOMPARE(counter.Emitted(), QStringList());
    Q_EMIT mConfig->ResourceChanged("2");
    QCOMPARE(counter.Emitted(), QStringList { "imageChanged" });

    widget.ImageProperty()->setStringValue("1");
    QCOMPARE(counter.Emitted(), (QStringList { "imageChanged", "imageIdentifierChanged" }));
    QVERIFY(widget.ColourProperty()->visible());

    widget.ReplaceImageId("1", "default_knob_0");
    QCOMPARE(widget.imageIdentifier(), QStringLiteral("default_knob_0"));
    widget.ReplaceImageId("1", "2");
    QCOMPARE(widget.imageIdentifier(), QStringLiteral("default_knob_0"));
}

void tst_PlainWidgets::rectangleDefaults()
{
    cRectangleWidget widget(5, nullptr);
    QCOMPARE(widget.Type(), QStringLiteral("rect"));
    QCOMPARE(Names(widget),
        (kBaseNames
            + QStringList { "Radius", "Colour", "Colour Mode", "Gradient Style", "Gradient Start", "Gradient End" }));
    QCOMPARE(widget.property("colour").toString(), QStringLiteral("#000000"));
    QCOMPARE(widget.property("cornerRadius").toFloat(), 0.0f);
    QCOMPARE(widget.property("useGradient").toBool(), false);
    QCOMPARE(widget.property("gradientTopToBottom").toBool(), true);
    QCOMPARE(widget.property("gradientColourStart").toString(), QStringLiteral("#000000"));
    QCOMPARE(widget.property("gradientColourEnd").toString(), QStringLiteral("#000000"));
    QVERIFY(widget.ColourProperty()->visible());
    QVERIFY(!widget.GradientStyleProperty()->visible());
    QVERIFY(!widget.GradientStartProperty()->visible());
    QVERIFY(!widget.GradientEndProperty()->visible());
}

void tst_PlainWidgets::rectangleAttributes_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<bool>("gradient");
    QTest::addColumn<bool>("topToBottom");
    QTest::addColumn<float>("radius");

    QTest::newRow("solid") << "colourMode=\"solid\"" << false << true << 0.0f;
    QTest::newRow("Solid with a capital is gradient") << "colourMode=\"Solid\"" << true << true << 0.0f;
    QTest::newRow("gradient left to right") << "colourMode=\"gradient\" gradientMode=\"l-r\"" << true << false << 0.0f;
    QTest::newRow("anything but t-b is left to right")
        << "colourMode=\"x\" gradientMode=\"T-B\"" << true << false << 0.0f;
    QTest::newRow("top to bottom") << "colourMode=\"gradient\" gradientMode=\"t-b\"" << true << true << 0.0f;
    QTest::newRow("radius") << "radius=\"0.125\"" << false << true << 0.125f;
    QTest::newRow("radius not a number") << "radius=\"wide\"" << false << true << 0.0f;
    QTest::newRow("radius not finite") << "radius=\"inf\"" << false << true << 0.0f;
}

void tst_PlainWidgets::rectangleAttributes()
{
    QFETCH(QString, attributes);
    QFETCH(bool, gradient);
    QFETCH(bool, topToBottom);
    QFETCH(float, radius);

    cRectangleWidget widget(5, nullptr);
    QVERIFY(WidgetTest::Load(widget,
        WidgetTest::Element(
            widget, attributes + " colour=\"#102030\" gradientStartColour=\"red\" gradientEndColour=\"#40ffffff\"")));
    QCOMPARE(widget.property("useGradient").toBool(), gradient);
    QCOMPARE(widget.property("gradientTopToBottom").toBool(), topToBottom);
    QCOMPARE(widget.property("cornerRadius").toFloat(), radius);
    QCOMPARE(widget.property("colour").toString(), QStringLiteral("#102030"));
    QCOMPARE(widget.property("gradientColourStart").toString(), QStringLiteral("#ff0000"));
    QCOMPARE(widget.property("gradientColourEnd").toString(), QStringLiteral("#40ffffff"));
    QCOMPARE(widget.ColourProperty()->visible(), !gradient);
    QCOMPARE(widget.GradientStyleProperty()->visible(), gradient);
    QCOMPARE(widget.GradientStartProperty()->visible(), gradient);
    QCOMPARE(widget.GradientEndProperty()->visible(), gradient);
}

void tst_PlainWidgets::rectangleSignals()
{
    cRectangleWidget widget(5, nullptr);
    WidgetTest::cSignalCounter counter(&widget);
    widget.ColourModeProperty()->setIntValue(1);
    QCOMPARE(counter.Emitted(), QStringList { "useGradientChanged" });
    QVERIFY(widget.GradientStartProperty()->visible());
    QVERIFY(WidgetTest::Load(widget,
        WidgetTest::Element(widget,
            "gradientMode=\"l-r\" gradientStartColour=\"red\" gradientEndColour=\"blue\" colour=\"white\" "
            "radius=\"0.5\"")));
    QCOMPARE(counter.Emitted(),
        (QStringList { "colourChanged", "cornerRadiusChanged", "gradientColourEndChanged", "gradientColourStartChanged",
            "gradientTopToBottomChanged", "useGradientChanged" }));
}

void tst_PlainWidgets::textDefaults()
{
    cTextWidget widget(6, nullptr);
    QCOMPARE(widget.Type(), QStringLiteral("text"));
    QCOMPARE(Names(widget),
        (kBaseNames + QStringList { "Radius", "Text", "Align", "Font", "Text Colour", "Background Colour" }));
    QCOMPARE(widget.property("text").toString(), QStringLiteral("Text..."));
    QCOMPARE(widget.property("textColour").toString(), QStringLiteral("#000000"));
    QCOMPARE(widget.property("backgroundColour").toString(), QStringLiteral("#00ffffff"));
    QCOMPARE(widget.property("cornerRadius").toFloat(), 0.0f);
    QCOMPARE(widget.property("textAlignment").toInt(), int(Qt::AlignLeft));
    QCOMPARE(widget.property("textFont").toString(), QStringLiteral("lato"));
    QCOMPARE(widget.TextProperty()->type(), cProperty::TextBlock);
}

// Rows: the widget's type key, the text attribute's value, and what the widget hands its view.
void tst_PlainWidgets::longTextsAreCut_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("shown");

    const int textLength = cTextWidget::kMaxTextLength;
    const QString fitting(textLength, QLatin1Char('w'));
    QTest::newRow("text at the bound") << "text" << fitting << fitting;
    QTest::newRow("400 KB unbroken") << "text" << QString(400 * 1024, QLatin1Char('w')) << fitting;
    const QString pair = QString::fromUtf8("\xF0\x9F\x8E\xB5"); // one character, two UTF-16 units
    QTest::newRow("no half character") << "text" << QString(textLength - 1, QLatin1Char('w')) + pair
                                       << QString(textLength - 1, QLatin1Char('w'));
    const int formatLength = cDateTimeWidget::kMaxCustomDateFormatLength;
    QTest::newRow("custom date format of 1 MB")
        << "datetime" << QString(1024 * 1024, QLatin1Char('d')) << QString(formatLength, QLatin1Char('d'));
}

void tst_PlainWidgets::longTextsAreCut()
{
    QFETCH(QString, type);
    QFETCH(QString, value);
    QFETCH(QString, shown);

    std::unique_ptr<cWidget> widget;
    QString attributes;
    if (type == cTextWidget::TypeKey()) {
        widget = std::make_unique<cTextWidget>(1, nullptr);
        attributes = QStringLiteral("text=\"%1\"").arg(value);
    } else {
        widget = std::make_unique<cDateTimeWidget>(1, nullptr);
        attributes = QStringLiteral("dateFormat=\"custom\" customDateFormat=\"%1\"").arg(value);
    }
    QVERIFY(WidgetTest::Load(*widget, WidgetTest::Element(*widget, attributes)));
    const char* property = type == cTextWidget::TypeKey() ? "text" : "dateFormat";
    QCOMPARE(widget->property(property).toString(), shown);
}

void tst_PlainWidgets::textAttributes_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<QStringList>("emitted");

    QTest::newRow("absent") << "" << 1 << QStringList();
    QTest::newRow("left") << "textAlignment=\"left\"" << 1 << QStringList();
    QTest::newRow("right") << "textAlignment=\"right\"" << 2 << QStringList { "textAlignmentChanged" };
    QTest::newRow("center") << "textAlignment=\"center\"" << 4 << QStringList { "textAlignmentChanged" };
    QTest::newRow("unknown code selects left") << "textAlignment=\"RIGHT\"" << 1 << QStringList();
    QTest::newRow("every attribute")
        << "text=\"Line one&#10;Line two\" textColour=\"white\" textFont=\"exo2\" backgroundColour=\"#80000000\" "
           "radius=\"0.2\" textAlignment=\"right\""
        << 2
        << QStringList { "backgroundColourChanged", "cornerRadiusChanged", "textAlignmentChanged", "textChanged",
               "textColourChanged", "textFontChanged" };
}

void tst_PlainWidgets::textAttributes()
{
    QFETCH(QString, attributes);
    QFETCH(int, alignment);
    QFETCH(QStringList, emitted);

    cTextWidget widget(6, nullptr);
    WidgetTest::cSignalCounter counter(&widget);
    QVERIFY(WidgetTest::Load(widget, WidgetTest::Element(widget, attributes)));
    QCOMPARE(widget.property("textAlignment").toInt(), alignment);
    QCOMPARE(counter.Emitted(), emitted);
    if (attributes.contains("text=")) {
        QCOMPARE(widget.text(), QStringLiteral("Line one\nLine two"));
        QCOMPARE(widget.textColour(), QStringLiteral("#ffffff"));
        QCOMPARE(widget.textFont(), QStringLiteral("exo2"));
        QCOMPARE(widget.backgroundColour(), QStringLiteral("#80000000"));
        QCOMPARE(widget.cornerRadius(), 0.2f);
    }
}

void tst_PlainWidgets::textIndexOutsideAlignments()
{
    cTextWidget widget(6, nullptr);
    widget.AlignProperty()->setValue(3);
    QCOMPARE(widget.textAlignment(), int(Qt::AlignHCenter));
    widget.AlignProperty()->setValue(-2);
    QCOMPARE(widget.textAlignment(), int(Qt::AlignHCenter));
}

void tst_PlainWidgets::writtenAttributesReadBack()
{
    // The editor writes what the runner reads: each widget, loaded, written and loaded again into
    // a new widget, gives the same properties.
    const QList<std::function<cWidget*()>> makers {
        [] { return new cDateTimeWidget(3, nullptr); },
        [this] { return new cImageWidget(3, nullptr, *mConfig); },
        [] { return new cRectangleWidget(3, nullptr); },
        [] { return new cTextWidget(3, nullptr); },
    };
    const QStringList attributes {
        "faceFormat=\"analogue\" analogueTimeFormat=\"hh:mm\" dateFormat=\"custom\" customDateFormat=\"d M\" "
        "showBorder=\"no\" textFont=\"exo2\" colour=\"red\" radius=\"0.3\"",
        "resourceId=\"1\" colour=\"#80ff0000\" opacity=\"40\"",
        "colourMode=\"gradient\" gradientMode=\"l-r\" gradientStartColour=\"red\" radius=\"0.1\"",
        "text=\"A &amp; B\" textAlignment=\"center\" backgroundColour=\"#10203040\" radius=\"0.05\"",
    };
    for (int i = 0; i < makers.size(); ++i) {
        std::unique_ptr<cWidget> first(makers[i]());
        QVERIFY(WidgetTest::Load(
            *first, WidgetTest::Element(*first, "x=\"0.1\" y=\"0.2\" width=\"0.3\" height=\"0.4\" " + attributes[i])));
        std::unique_ptr<cWidget> second(makers[i]());
        const QStringList differences = WidgetTest::RoundTripDifferences(*first, *second);
        QVERIFY2(differences.isEmpty(), qPrintable(first->Type() + ": " + differences.join("; ")));
    }
}

void tst_PlainWidgets::neverDisabledByGoingOnAndOffLine()
{
    std::vector<std::unique_ptr<cWidget>> widgets;
    widgets.emplace_back(new cDateTimeWidget(1, nullptr));
    widgets.emplace_back(new cImageWidget(2, nullptr, *mConfig));
    widgets.emplace_back(new cRectangleWidget(3, nullptr));
    widgets.emplace_back(new cTextWidget(4, nullptr));
    for (auto& widget : widgets) {
        QSignalSpy disabled(widget.get(), &cWidget::disabledChanged);
        widget->SetOnline();
        QVERIFY(!widget->disabled());
        widget->SetOffline();
        QVERIFY(!widget->disabled());
        QCOMPARE(disabled.count(), 0);
    }
}

QTEST_GUILESS_MAIN(tst_PlainWidgets)
#include "tst_plainwidgets.moc"
