#include "Quendle/Properties/ImageResourceHost.h"
#include "Quendle/Properties/Properties.h"
#include "Quendle/Properties/PropertyGroup.h"
#include "tests/support/TraceCapture.h"

#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <functional>
#include <memory>

namespace
{

// Records the order of a property's change signals as one text: "about value index ...".
class cSignalLog : public QObject
{
public:
    explicit cSignalLog(cProperty* property)
    {
        connect(property, &cProperty::ValueAboutToChange, this, [this] { mLog << "about"; });
        connect(property, &cProperty::valueChanged, this, [this] { mLog << "value"; });
        if (auto* codeCombo = qobject_cast<cCodeComboProperty*>(property))
            connect(codeCombo, &cCodeComboProperty::comboIndexChanged, this, [this] { mLog << "index"; });
        if (auto* combo = qobject_cast<cComboProperty*>(property))
            connect(combo, &cComboProperty::comboValuesChanged, this, [this] { mLog << "values"; });
        if (auto* codeCombo = qobject_cast<cCodeComboProperty*>(property))
            connect(codeCombo, &cCodeComboProperty::comboValuesChanged, this, [this] { mLog << "values"; });
    }
    QString Text() const { return mLog.join(' '); }
    void Clear() { mLog.clear(); }

private:
    QStringList mLog;
};

class cFakeImageHost : public cImageResourceHost
{
public:
    void ImageResourceIdChanged() override { ++mIdChanges; }
    int mIdChanges = 0;
};

const QList<sCodeComboPair> kCodes { { 10, "ten" }, { 20, "twenty" } };

// Every kind with a known starting value.
std::unique_ptr<cProperty> MakeProperty(const QString& kind, QObject* parent, cImageResourceHost& host)
{
    if (kind == "int")
        return std::make_unique<cIntProperty>("Int", 5, parent, 0, 10);
    if (kind == "tabs")
        return std::make_unique<cNumberOfTabsProperty>("Tabs", 2, parent);
    if (kind == "float")
        return std::make_unique<cFloatProperty>("Float", 0.5f, parent, 0.0f, 1.0f);
    if (kind == "fraction")
        return std::make_unique<cSizeFractionProperty>("Width", 0.5f, parent, 0.0f, 1.0f);
    if (kind == "string")
        return std::make_unique<cStringProperty>("String", "abc", parent);
    if (kind == "textblock")
        return std::make_unique<cTextBlockProperty>("Text", "abc", parent);
    if (kind == "colour")
        return std::make_unique<cColourProperty>("Colour", QColor(Qt::black), parent);
    if (kind == "font")
        return std::make_unique<cFontProperty>("Font", "lato", parent);
    if (kind == "combo")
        return std::make_unique<cComboProperty>("Combo", 0, QStringList { "a", "b", "c" }, parent);
    if (kind == "codecombo")
        return std::make_unique<cCodeComboProperty>("Code", 10, kCodes, parent);
    if (kind == "image")
        return std::make_unique<cImageProperty>("Image", host, parent);
    return nullptr;
}

} // namespace

class tst_Properties : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void kinds_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("initialText");
        QTest::newRow("int") << "int" << 0 << "5";
        QTest::newRow("tabs") << "tabs" << 0 << "2";
        QTest::newRow("float") << "float" << 1 << "0.5";
        QTest::newRow("string") << "string" << 2 << "abc";
        QTest::newRow("combo") << "combo" << 3 << "a";
        QTest::newRow("textblock") << "textblock" << 5 << "abc";
        QTest::newRow("image") << "image" << 6 << "_default";
        QTest::newRow("colour") << "colour" << 7 << "#000000";
        QTest::newRow("font") << "font" << 8 << "lato";
        QTest::newRow("fraction") << "fraction" << 9 << "50";
        QTest::newRow("codecombo") << "codecombo" << 12 << "ten";
    }

    void kinds()
    {
        QFETCH(QString, kind);
        QFETCH(int, type);
        QFETCH(QString, initialText);
        cFakeImageHost host;
        auto property = MakeProperty(kind, nullptr, host);
        QCOMPARE(int(property->type()), type);
        QCOMPARE(property->stringValue(), initialText);
        QVERIFY(property->visible());
        QVERIFY(property->editable());
        QVERIFY(!property->ExtraFlag());
        QVERIFY(!property->isGroup());
        // QML reads the same through the meta-object.
        QCOMPARE(property->property("stringValue").toString(), initialText);
        QCOMPARE(property->property("type").toInt(), type);
    }

    // Value in (through setValue, or setStringValue where viaText), text out, signals in order.
    void valueInTextOut_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QVariant>("input");
        QTest::addColumn<bool>("viaText");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("signals");
        QTest::addColumn<QString>("trace");
        const QString change = "about value";

        auto row = [](const char* name, const char* kind, const QVariant& input, bool viaText, const char* text,
                       const QString& signalLog, const char* trace) {
            QTest::newRow(name) << kind << input << viaText << text << signalLog << trace;
        };

        row("int same", "int", QVariant(5), false, "5", "", "");
        row("int new", "int", QVariant(7), false, "7", change, "");
        row("int above max", "int", QVariant(99), false, "99", change, "");
        row("int below min", "int", QVariant(-3), false, "-3", change, "");
        row("int from text", "int", QVariant("8"), false, "8", change, "");
        row("int junk", "int", QVariant("abc"), false, "0", change, "ERROR: Error setting property int");
        row("int by text", "int", QVariant("8"), true, "5", "", "");
        row("tabs below 1", "tabs", QVariant(0), false, "0", change, "");
        row("tabs above 10", "tabs", QVariant(11), false, "11", change, "");

        row("float same", "float", QVariant(0.5), false, "0.5", "", "");
        row("float 2", "float", QVariant(2.0), false, "2", change, "");
        row("float 0", "float", QVariant(0.0), false, "0", change, "");
        row("float rounds", "float", QVariant(1.23456), false, "1.2346", change, "");
        row("float negative", "float", QVariant(-0.25), false, "-0.25", change, "");
        row("float 100", "float", QVariant(100.0), false, "100", change, "");
        row("float above max", "float", QVariant(7.5), false, "7.5", change, "");
        row("float junk", "float", QVariant("x"), false, "0", change, "ERROR: Error setting property float");
        row("float by text", "float", QVariant("0.7"), true, "0.5", "", "");

        row("fraction same", "fraction", QVariant(0.5), false, "50", "", "");
        row("fraction quarter", "fraction", QVariant(0.25), false, "25", change, "");
        row("fraction whole", "fraction", QVariant(1.0), false, "100", change, "");
        row("fraction third", "fraction", QVariant(0.333333), false, "33.33", change, "");
        row("fraction tiny", "fraction", QVariant(0.000999), false, "0.1", change, "");

        row("string same", "string", QVariant("abc"), false, "abc", "", "");
        row("string new", "string", QVariant("xyz"), false, "xyz", change, "");
        row("string by text", "string", QVariant("xyz"), true, "xyz", change, "");
        row("string empty", "string", QVariant(""), true, "", change, "");
        row("textblock lines", "textblock", QVariant("a\nb"), true, "a\nb", change, "");

        row("colour same", "colour", QVariant(QColor(0, 0, 0)), false, "#000000", "", "");
        row("colour same by name", "colour", QVariant("black"), true, "#000000", "", "");
        row("colour white by name", "colour", QVariant("white"), true, "#ffffff", change, "");
        row("colour text variant", "colour", QVariant("#102030"), false, "#102030", change, "");
        row("colour translucent", "colour", QVariant(QColor(255, 255, 0, 0x66)), false, "#66ffff00", change, "");
        row("colour transparent", "colour", QVariant(QColor(255, 255, 255, 0)), false, "#00ffffff", change, "");
        row("colour same in HSV", "colour", QVariant(QColor(Qt::black).toHsv()), false, "#000000", "", "");
        row("colour unknown name", "colour", QVariant("nosuchcolour"), true, "#000000", "", "");
        row("colour invalid", "colour", QVariant(QColor()), false, "#000000", "", "");
        row("colour number", "colour", QVariant(255), false, "#000000", "", "");

        row("font same", "font", QVariant("lato"), false, "lato", "", "");
        row("font new", "font", QVariant("exo2"), true, "exo2", change, "");

        row("combo same", "combo", QVariant(0), false, "a", "", "");
        row("combo new", "combo", QVariant(2), false, "c", change, "");
        row("combo beyond entries", "combo", QVariant(7), false, "", change, "");
        row("combo negative", "combo", QVariant(-1), false, "", change, "");
        row("combo junk", "combo", QVariant("x"), false, "a", "", "ERROR: Error setting property combo int");
        row("combo by text", "combo", QVariant("b"), true, "a", "", "");

        row("code same", "codecombo", QVariant(10), false, "ten", "", "");
        row("code new", "codecombo", QVariant(20), false, "twenty", "about value index", "");
        row("code unknown", "codecombo", QVariant(30), false, "", "about value index", "");
        row("code by text", "codecombo", QVariant("twenty"), true, "ten", "", "");

        row("image same", "image", QVariant("_default"), false, "_default", "", "");
        row("image new", "image", QVariant("logo"), false, "logo", change, "");
        row("image by text", "image", QVariant("logo"), true, "logo", change, "");
    }

    void valueInTextOut()
    {
        QFETCH(QString, kind);
        QFETCH(QVariant, input);
        QFETCH(bool, viaText);
        QFETCH(QString, text);
        QFETCH(QString, signals);
        QFETCH(QString, trace);
        cFakeImageHost host;
        auto property = MakeProperty(kind, nullptr, host);
        cSignalLog log(property.get());
        cTraceCapture traces;

        if (viaText)
            property->setStringValue(input.toString());
        else
            property->setValue(input);

        QCOMPARE(property->stringValue(), text);
        QCOMPARE(log.Text(), signals);
        QCOMPARE(traces.Lines(), trace.isEmpty() ? QStringList() : QStringList { trace });

        // The same value again never signals.
        log.Clear();
        if (viaText)
            property->setStringValue(input.toString());
        else
            property->setValue(input);
        if (kind != "int" && kind != "float" && kind != "combo") // junk rows store 0: a change the first time only
            QCOMPARE(log.Text(), QString());
        else
            QVERIFY(!log.Text().contains("value"));
    }

    void floatNaNIsAlwaysAChange()
    {
        cFloatProperty property("Float", 0.5f, nullptr, 0.0f, 1.0f);
        cSignalLog log(&property);
        property.setFloatValue(std::nanf(""));
        property.setFloatValue(std::nanf(""));
        QCOMPARE(log.Text(), QString("about value about value"));
    }

    void visibleAndEditableSignalOnlyOnChange()
    {
        cStringProperty property("Name", "x", nullptr, false);
        QVERIFY(!property.editable());
        QSignalSpy visible(&property, &cProperty::visibleChanged);
        QSignalSpy editable(&property, &cProperty::editableChanged);
        property.setVisible(true);
        property.SetEditable(false);
        QCOMPARE(visible.count(), 0);
        QCOMPARE(editable.count(), 0);
        property.setVisible(false);
        property.setVisible(false);
        property.SetEditable(true);
        QCOMPARE(visible.count(), 1);
        QCOMPARE(visible.at(0).at(0).toBool(), false);
        QCOMPARE(editable.count(), 1);
        QVERIFY(property.editable());
    }

    void comboEntryRules()
    {
        cComboProperty combo("Combo", 0, { "a", "b", "c" }, nullptr);
        cSignalLog log(&combo);

        combo.setIntValue(2, true);
        QCOMPARE(log.Text(), QString("value"));

        // New entries with the stored index: the value is announced as changed text.
        log.Clear();
        combo.UpdateComboValues({ "x", "y", "z" }, 2, false);
        QCOMPARE(log.Text(), QString("about values value"));
        QCOMPARE(combo.stringValue(), QString("z"));

        // Same entries: only the index moves, as setIntValue.
        log.Clear();
        combo.UpdateComboValues({ "x", "y", "z" }, 1, true);
        QCOMPARE(log.Text(), QString("value"));
        QCOMPARE(combo.Index(), 1);

        log.Clear();
        combo.UpdateComboValues({ "p", "q" }, 0, false);
        QCOMPARE(log.Text(), QString("about values about value"));

        // Equal list: nothing at all, the index is not touched.
        log.Clear();
        combo.UpdateComboValuesAndIndexIfChanged({ "p", "q" }, 1);
        QCOMPARE(log.Text(), QString());
        QCOMPARE(combo.Index(), 0);

        combo.UpdateComboValuesAndIndexIfChanged({ "p", "q", "r" }, 0);
        QCOMPARE(log.Text(), QString("about values value"));
        log.Clear();
        combo.UpdateComboValuesAndIndexIfChanged({ "r" }, 0 + 2);
        QCOMPARE(log.Text(), QString("about values about value"));
        QCOMPARE(combo.Index(), 2);
        QCOMPARE(combo.stringValue(), QString()); // outside the list
        QCOMPARE(combo.comboValues(), QStringList({ "r" }));
    }

    void codeComboRules()
    {
        cCodeComboProperty code("Code", 30, kCodes, nullptr);
        cSignalLog log(&code);
        QCOMPARE(code.comboIndex(), -1);
        QCOMPARE(code.stringValue(), QString());
        QCOMPARE(code.comboValues(), QStringList({ "ten", "twenty" }));

        code.setComboIndex(2);
        code.setComboIndex(-1);
        QCOMPARE(log.Text(), QString());
        code.setComboIndex(1);
        QCOMPARE(log.Text(), QString("about value index"));
        QCOMPARE(code.value().toInt(), 20);
        QCOMPARE(code.comboIndex(), 1);

        // Same entries: nothing. New entries keep the stored code.
        log.Clear();
        code.UpdateComboValues({ { 10, "ten" }, { 20, "twenty" } });
        QCOMPARE(log.Text(), QString());
        code.UpdateComboValues({ { 20, "TWENTY" } });
        QCOMPARE(log.Text(), QString("values index"));
        QCOMPARE(code.comboIndex(), 0);
        QCOMPARE(code.stringValue(), QString("TWENTY"));
        QCOMPARE(code.value().toInt(), 20);

        // QML writes the index.
        log.Clear();
        QVERIFY(code.setProperty("comboIndex", 0));
        QCOMPARE(log.Text(), QString());
    }

    void imagePropertyFollowsItsOwnResource()
    {
        cFakeImageHost host;
        cImageProperty image("Image", host, nullptr);
        QSignalSpy imageChanged(&image, &cImageProperty::ImageChanged);
        image.setStringValue("logo");
        QCOMPARE(host.mIdChanges, 1);
        image.setStringValue("logo");
        QCOMPARE(host.mIdChanges, 1);

        Q_EMIT host.ResourceInserted("other");
        Q_EMIT host.ResourceChanged("other");
        Q_EMIT host.ResourceRemoved("other");
        QCOMPARE(imageChanged.count(), 0);
        Q_EMIT host.ResourceInserted("logo");
        Q_EMIT host.ResourceChanged("logo");
        Q_EMIT host.ResourceRemoved("logo");
        QCOMPARE(imageChanged.count(), 3);
    }

    void groups()
    {
        QObject owner;
        cPropertyGroup root("Root", &owner, true);
        auto* a = new cStringProperty("A", "", &owner);
        auto* inner = new cPropertyGroup("Inner", &owner, false);
        auto* b = new cIntProperty("B", 0, &owner, 0, 1);
        auto* c = new cFloatProperty("C", 0, &owner, 0, 1);
        auto* d = new cColourProperty("D", Qt::red, &owner);
        inner->AppendContents({ b, c });
        root.AppendPropertyOrGroup(a);
        root.AppendPropertyOrGroup(inner);
        root.AppendPropertyOrGroup(nullptr);
        root.AppendPropertyOrGroup(d);
        QVERIFY(root.isGroup());
        QCOMPARE(root.contents()->count(), 3);
        QCOMPARE(root.AllProperties(), QList<cProperty*>({ a, b, c, d }));

        root.PrependPropertyOrGroup(d);
        QCOMPARE(root.Contents().count(), 3); // already listed
        root.RemovePropertyOrGroup(nullptr);
        cStringProperty stranger("S", "", nullptr);
        root.RemovePropertyOrGroup(&stranger);
        QCOMPARE(root.Contents().count(), 3);
        root.RemovePropertyOrGroup(a);
        QCOMPARE(root.AllProperties(), QList<cProperty*>({ b, c, d }));

        QSignalSpy expanded(&root, &cPropertyGroup::expandedChanged);
        root.setExpanded(true);
        root.setExpanded(false);
        QCOMPARE(expanded.count(), 1);

        // Clearing never deletes the items: they belong to their owner.
        QPointer<cProperty> kept = b;
        root.ClearContents();
        inner->ClearContents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!kept.isNull());
        QVERIFY(root.AllProperties().isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_Properties)
#include "tst_properties.moc"
