// The mixer-bound widget bases on the real registry, syscall thread and system builder, with the
// unit's objects standing in as local objects: the unit binding attribute, the live set and its
// failure reports, driver names, request keys, the links each function makes and undoes, the
// bounds of every code taken at a selected index, and the level base's "no value yet". The
// properties of a widget whose tree was never asked for behave as its property objects would.
#include "Common/Misc/NonLinearLookup.h"
#include "Quendle/AppCommon/ConfigUnit.h"
#include "Quendle/Drivers/ValueDrivers.h"
#include "Quendle/Properties/Properties.h"
#include "Quendle/Widgets/Base/WidgetBatch.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "tests/Quendle/Widgets/Control/MixerTestLeaves.h"
#include "tests/support/Connections.h"
#include "tests/support/TraceCapture.h"
#include "tests/support/ValueObject.h"
#include "tests/support/quendle/TestConfig.h"
#include "tests/support/quendle/UnitObjectKit.h"
#include "tests/support/quendle/WidgetTestKit.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace
{

using WidgetTest::cSilentObject;
using WidgetTest::InformCount;
using WidgetTest::WaitForBuilder;

template <class tWidget>
std::unique_ptr<tWidget> MakeWidget(
    const cConfigBase& configuration, const QString& element, int id = 1, const QString& type = QString())
{
    return type.isEmpty() ? WidgetTest::Make<tWidget>(element, id, nullptr, configuration)
                          : WidgetTest::Make<tWidget>(element, id, nullptr, configuration, type);
}

/// The builder has worked through every command queued and the syscall thread has nothing left.
/// Counts the messages dispatched to it.
class cCountingObject : public cNetObject
{
public:
    cCountingObject()
        : cNetObject("counting object", 1)
    {
    }
    ~cCountingObject() override { Unregister(); }
    void EntrypointMessage(cZUNetMessage&) override { ++mMessages; }
    std::atomic<int> mMessages { 0 };
};

} // namespace

class tst_ZUNetWidget : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void unitAttribute_data();
    void unitAttribute();
    void unitEntries();
    void controlAttributes();
    void levelAttributes();
    void controlVisibility_data();
    void controlVisibility();
    void failedLinkReachesOnlyItsWidget();
    void driverNamesAndRegistration();
    void valueBeforeOnLine_data();
    void valueBeforeOnLine();
    void requestKeys_data();
    void requestKeys();
    void indexesOutsideTheirTables();
    void linksPerFunction_data();
    void linksPerFunction();
    void failedAnswerAndRemovals();
    void sceneRecallAndTapTempo();
    void retiredDriverTellsItsWidgetNothing();
    void levelNoValueYet();
    void levelLinkAndVisibility();
    void propertiesBeforeTheirObjects_data();
    void propertiesBeforeTheirObjects();
    void batchLetsTheSyscallThreadIn();

private:
    cStartedNetwork mNetwork;
    std::unique_ptr<cTestApplication> mApplication;
    std::unique_ptr<cTestConfig> mConfig;
};

void tst_ZUNetWidget::initTestCase()
{
    mApplication = std::make_unique<cTestApplication>();
    mConfig = std::make_unique<cTestConfig>(mApplication.get());
    // Unit 0 is a known type, unit 5 is of a type no widget takes.
    const QList<QPair<int, QString>> units { { 0, QStringLiteral("tarvo") }, { 5, QStringLiteral("unknown") },
        { 3, QStringLiteral("corvo16") } };
    for (const auto& unit : units) {
        auto* configUnit = new cConfigUnit(mConfig.get(), unit.first, QStringLiteral("10.77.0.%1").arg(unit.first + 50),
            unit.second, unit.first == 0, QString(), mConfig.get());
        QVERIFY(mConfig->InsertNewUnit(configUnit) >= 0);
    }
}

void tst_ZUNetWidget::cleanupTestCase()
{
    mConfig.reset();
    mApplication.reset();
}

void tst_ZUNetWidget::unitAttribute_data()
{
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<int>("unitId");
    QTest::addColumn<bool>("online");
    QTest::newRow("absent: unit 0") << "" << 0 << true;
    QTest::newRow("unit 3") << "unitId=\"3\"" << 3 << true;
    QTest::newRow("not a number") << "unitId=\"abc\"" << -1 << false;
    QTest::newRow("not in the configuration") << "unitId=\"9\"" << 9 << false;
}

void tst_ZUNetWidget::unitAttribute()
{
    QFETCH(QString, attribute);
    QFETCH(int, unitId);
    QFETCH(bool, online);
    auto widget = MakeWidget<cTestLevelWidget>(
        *mConfig, QStringLiteral("<Widget id=\"1\" type=\"test_zunet_fader\" %1/>").arg(attribute));
    QCOMPARE(widget->CurrentUnitId(), unitId);
    QCOMPARE(widget->AllProperties().first(), static_cast<cProperty*>(widget->UnitProperty()));
    widget->SetOnline();
    QCOMPARE(widget->IsOnline(), online);

    // Off line without ever being on line: nothing to undo, no change of the disabled flag.
    auto never = MakeWidget<cTestControlWidget>(*mConfig, QStringLiteral("<Widget id=\"2\" type=\"b\"/>"), 2);
    QSignalSpy disabled(never.get(), &cWidget::disabledChanged);
    never->SetOffline();
    QVERIFY(never->NamesAndParameters().empty());
    QCOMPARE(disabled.count(), 0);
}

void tst_ZUNetWidget::unitEntries()
{
    auto widget = MakeWidget<cTestLevelWidget>(*mConfig, QStringLiteral("<Widget id=\"1\" type=\"x\"/>"));
    const QList<sCodeComboPair> entries = widget->GetUnitComboList();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0].code.toInt(), 0);
    QCOMPARE(entries[0].text, QStringLiteral("10.77.0.50"));
    QCOMPARE(entries[1].code.toInt(), 3);
    QCOMPARE(widget->UnitProperty()->comboValues(), (QStringList { "10.77.0.50", "10.77.0.53" }));
    QVERIFY(widget->UnitProperty()->visible());

    // The entries follow the configuration's units as they come, change and go.
    cTestApplication application;
    cTestConfig configuration(&application);
    auto other = MakeWidget<cTestControlWidget>(configuration, QStringLiteral("<Widget id=\"1\" type=\"b\"/>"));
    QVERIFY(other->UnitProperty()->comboValues().isEmpty());
    auto* unit = new cConfigUnit(
        &configuration, 4, QStringLiteral("Stage"), QStringLiteral("corvo64"), true, QString(), &configuration);
    QVERIFY(configuration.InsertNewUnit(unit) >= 0);
    QCOMPARE(other->UnitProperty()->comboValues(), QStringList { "Stage" });
    unit->nameOrIpAddressProperty()->setStringValue(QStringLiteral("Stage left"));
    QCOMPARE(other->UnitProperty()->comboValues(), QStringList { "Stage left" });
    configuration.units()->remove(unit);
    QVERIFY(other->UnitProperty()->comboValues().isEmpty());
}

/// Every property's text, in list order, for comparing two widgets.
QStringList PropertyTexts(cWidget& widget)
{
    QStringList texts;
    for (cProperty* property : widget.AllProperties())
        texts << property->name() + "=" + property->stringValue();
    return texts;
}

/// The widget's attributes as written, read back into a fresh widget of the same kind.
template <class tWidget> std::unique_ptr<tWidget> RoundTrip(const tWidget& widget, const cConfigBase& configuration)
{
    return MakeWidget<tWidget>(configuration, WidgetTest::Written(widget));
}

void tst_ZUNetWidget::controlAttributes()
{
    auto widget = MakeWidget<cTestControlWidget>(*mConfig,
        QStringLiteral(
            "<Widget id=\"1\" type=\"b\" x=\"0.1\" width=\"0.2\" unitId=\"3\" text=\"Vox\" function=\"sendonoff\" "
            "channelType=\"op\" channelNumber=\"12\" destChannelType=\"bus\" destChannelNumber=\"4\" "
            "paflChannelNumber=\"2\" muteGrpNumber=\"3\" ammNumber=\"5\" fxUnitNumber=\"6\" "
            "leftRightSource=\"righths\" globalLocalSource=\"local\" colour=\"#00ff00\" "
            "offImageResourceId=\"_basic\" onImageResourceId=\"img7\" radius=\"0.25\" "
            "offColour=\"#0000ff\" textFont=\"latob\" textColour=\"#ffffff\" sceneNumber=\"9\" "
            "channelNumber2=\"99\"/>"));
    QCOMPARE(widget->CurrentUnitId(), 3);
    QCOMPARE(widget->text(), QStringLiteral("Vox"));
    QCOMPARE(widget->FunctionCode(), QStringLiteral("sendonoff"));
    QCOMPARE(widget->ChannelTypeProperty()->Index(), 1);
    QCOMPARE(widget->mChannelNumber->IntValue(), 12);
    QCOMPARE(widget->DestChannelTypeProperty()->Index(), 2);
    QCOMPARE(widget->mDestChannelNumber->IntValue(), 4);
    QCOMPARE(widget->PAFLNumberProperty()->IntValue(), 2);
    QCOMPARE(widget->mMuteGroup->IntValue(), 3);
    QCOMPARE(widget->mAMMNumber->IntValue(), 5);
    QCOMPARE(widget->mFxUnit->IntValue(), 6);
    QCOMPARE(widget->mLeftRightSource->Index(), 1);
    QCOMPARE(widget->mGlobalLocalSource->Index(), 1);
    QCOMPARE(widget->onColour(), QStringLiteral("#00ff00"));
    QCOMPARE(widget->offColour(), QStringLiteral("#0000ff"));
    QCOMPARE(widget->imageOffIdentifier(), QStringLiteral("_basic"));
    QCOMPARE(widget->imageOnIdentifier(), QStringLiteral("img7"));
    QCOMPARE(widget->cornerRadius(), 0.25f);
    QCOMPARE(widget->textFont(), QStringLiteral("latob"));
    QCOMPARE(widget->textColour(), QStringLiteral("#ffffff"));
    QCOMPARE(widget->SceneNumberProperty()->IntValue(), 9);
    QCOMPARE(widget->ImageIdentifiers(), (QStringList { "_basic", "img7" }));
    widget->ReplaceImageId(QStringLiteral("img7"), QStringLiteral("img8"));
    QCOMPARE(widget->imageOnIdentifier(), QStringLiteral("img8"));
    QCOMPARE(PropertyTexts(*RoundTrip(*widget, *mConfig)), PropertyTexts(*widget));

    // Numbers are stored as read, outside their range too; a non-finite radius reads as 0.
    auto odd = MakeWidget<cTestControlWidget>(
        *mConfig, QStringLiteral("<Widget id=\"1\" type=\"b\" channelNumber=\"5000\" radius=\"nan\"/>"));
    QCOMPARE(odd->mChannelNumber->IntValue(), 5000);
    QCOMPARE(odd->cornerRadius(), 0.0f);
}

void tst_ZUNetWidget::levelAttributes()
{
    auto widget = MakeWidget<cTestLevelWidget>(*mConfig,
        QStringLiteral("<Widget id=\"1\" type=\"f\" unitId=\"3\" textLabel=\"Lead\" levelType=\"sendlevel\" "
                       "channelType=\"op\" channelNumber=\"3\" destChannelType=\"op\" destChannelNumber=\"8\" "
                       "minGain=\"-40\" maxGain=\"6\" minToInf=\"on\" audioTaper=\"off\" "
                       "offImageResourceId=\"bg\" onImageResourceId=\"knob\" textFont=\"latob\" "
                       "textColour=\"#ff0000\" controlColour=\"#00ff00\" overlayColour=\"#800000ff\"/>"));
    QCOMPARE(widget->CurrentUnitId(), 3);
    QCOMPARE(widget->text(), QStringLiteral("Lead"));
    QCOMPARE(widget->LevelTypeCode(), QStringLiteral("sendlevel"));
    QCOMPARE(widget->ChannelTypeProperty()->Index(), 1);
    QCOMPARE(widget->mChannelNumber->IntValue(), 3);
    QCOMPARE(widget->DestChannelTypeProperty()->Index(), 1);
    QCOMPARE(widget->mDestChannelNumber->IntValue(), 8);
    QCOMPARE(widget->mMinGain->IntValue(), -40);
    QCOMPARE(widget->mMaxGain->IntValue(), 6);
    QCOMPARE(widget->mMinToInf->Index(), 0);
    QCOMPARE(widget->AudioTaperCode(), QStringLiteral("off"));
    QCOMPARE(widget->imageBackgroundIdentifier(), QStringLiteral("bg"));
    QCOMPARE(widget->imageControlIdentifier(), QStringLiteral("knob"));
    QCOMPARE(widget->textFont(), QStringLiteral("latob"));
    QCOMPARE(widget->textColour(), QStringLiteral("#ff0000"));
    QCOMPARE(widget->controlColour(), QStringLiteral("#00ff00"));
    QCOMPARE(widget->overlayColour(), QStringLiteral("#800000ff"));
    QCOMPARE(widget->Key(), std::string("sendlevel/op/2/op/7"));
    QCOMPARE(PropertyTexts(*RoundTrip(*widget, *mConfig)), PropertyTexts(*widget));

    // The defaults, and codes not in their tables.
    auto plain = MakeWidget<cTestLevelWidget>(
        *mConfig, QStringLiteral("<Widget id=\"1\" type=\"f\" levelType=\"x\" audioTaper=\"x\" minGain=\"low\"/>"));
    QCOMPARE(plain->LevelTypeCode(), QStringLiteral("mainlevel"));
    QCOMPARE(plain->AudioTaperCode(), QStringLiteral("on"));
    QCOMPARE(plain->mMinGain->IntValue(), 0);
    QCOMPARE(plain->mMinToInf->Index(), 1);
    QCOMPARE(plain->controlColour(), QStringLiteral("#04ffc5"));
    QCOMPARE(plain->overlayColour(), QStringLiteral("#66ffff00"));
}

void tst_ZUNetWidget::controlVisibility_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("paflclear") << "paflclear" << QStringList { "PAFL Number" };
    QTest::newRow("mutegrp") << "mutegrp" << QStringList { "Mute Group" };
    QTest::newRow("amminout") << "amminout" << QStringList { "AMM Number" };
    QTest::newRow("ammchactive") << "ammchactive" << QStringList { "Channel Number" };
    QTest::newRow("taptempo") << "taptempo" << QStringList { "FX Unit", "Source", "Source" };
    QTest::newRow("pafl") << "pafl" << QStringList { "Channel Number", "Channel Type", "PAFL Number" };
    QTest::newRow("mute") << "mute" << QStringList { "Channel Number", "Channel Type" };
    QTest::newRow("talkbackassign") << "talkbackassign" << QStringList { "Dest Channel Number", "Dest Channel Type" };
    QTest::newRow("sendonoff") << "sendonoff"
                               << QStringList { "Channel Number", "Dest Channel Number", "Channel Type",
                                      "Dest Channel Type" };
    QTest::newRow("scenerecall") << "scenerecall" << QStringList { "Scene Number" };
    QTest::newRow("own") << "ownfunction" << QStringList {};
}

// The binding properties shown per function, whatever was shown before.
void tst_ZUNetWidget::controlVisibility()
{
    QFETCH(QString, function);
    QFETCH(QStringList, shown);
    auto widget = MakeWidget<cTestControlWidget>(
        *mConfig, QStringLiteral("<Widget id=\"1\" type=\"b\" function=\"sendonoff\"/>"));
    widget->SelectFunction(QStringLiteral("scenerecall"));
    widget->SelectFunction(function);
    static const QStringList kBinding { "Channel Type", "Channel Number", "Dest Channel Type", "Dest Channel Number",
        "PAFL Number", "Mute Group", "AMM Number", "FX Unit", "Source", "Scene Number" };
    QStringList visible;
    for (cProperty* property : widget->AllProperties()) {
        if (kBinding.contains(property->name()) && property->visible())
            visible << property->name();
    }
    QCOMPARE(visible, shown);
    QVERIFY(!widget->mRadius->visible());
    widget->mOnImage->setStringValue(QStringLiteral("_basic"));
    QVERIFY(widget->mRadius->visible());
}

// A failure report reaches the widget it was made for, from any thread, and never a widget built
// later, even at the same address.
void tst_ZUNetWidget::failedLinkReachesOnlyItsWidget()
{
    cTraceCapture traces;
    auto widget = MakeWidget<cTestControlWidget>(*mConfig, QStringLiteral("<Widget id=\"1\" type=\"b\"/>"));
    const quint64 serial = widget->Serial();
    std::thread([serial] { cZUNetWidget::FailedToMakeLinkCallback(serial); }).join();
    QVERIFY(!widget->disabled()); // queued to the widget's thread
    QTRY_VERIFY(widget->disabled());
    QCOMPARE(traces.Count(QStringLiteral("ERROR: Failed to make link!")), 1);

    widget.reset();
    auto later = MakeWidget<cTestControlWidget>(*mConfig, QStringLiteral("<Widget id=\"1\" type=\"b\"/>"));
    QVERIFY(later->Serial() != serial);
    std::thread([serial] { cZUNetWidget::FailedToMakeLinkCallback(serial); }).join();
    cZUNetWidget::FailedToMakeLinkCallback(serial);
    QTest::qWait(20);
    QVERIFY(!later->disabled());
    QCOMPARE(traces.Count(QStringLiteral("ERROR: Failed to make link!")), 1);

    // A report queued just before its widget goes is dropped with it.
    cZUNetWidget::FailedToMakeLinkCallback(later->Serial());
    later.reset();
    QTest::qWait(20);
    QCOMPARE(traces.Count(QStringLiteral("ERROR: Failed to make link!")), 1);
}

// Widget ids repeat across layouts: each widget's driver gets a name of its own and every link
// names the driver as registered. A driver that cannot be registered disables its widget.
void tst_ZUNetWidget::driverNamesAndRegistration()
{
    const QString element = QStringLiteral("<Widget id=\"7\" type=\"f\" channelNumber=\"2\"/>");
    auto first = MakeWidget<cTestLevelWidget>(*mConfig, element, 7);
    auto second = MakeWidget<cTestLevelWidget>(*mConfig, element, 7);
    QCOMPARE(QByteArray(first->LevelDriver()->GetName()), QByteArray("test_zunet_fader7"));
    QVERIFY(QByteArray(second->LevelDriver()->GetName()) != QByteArray(first->LevelDriver()->GetName()));
    QVERIFY(!first->disabled() && !second->disabled());

    cValueObject gainA("unit gain a");
    cValueObject gainB("unit gain b");
    gainA.SetValue(0x8000);
    gainB.SetValue(0x7000);
    first->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { "unit gain a", PARAMETER_BASE } });
    second->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { "unit gain b", PARAMETER_BASE } });
    QCOMPARE(QByteArray(second->Links().front().mDestination.c_str()), QByteArray(second->LevelDriver()->GetName()));
    WaitForBuilder();
    QTRY_COMPARE(first->LevelDriver()->Value(), UWORD(0x8000));
    QTRY_COMPARE(second->LevelDriver()->Value(), UWORD(0x7000));
    // Moving the second widget drives only its own channel.
    second->setPosition(1.0);
    QTRY_COMPARE(gainB.Value(), cFaderLookup::kFaderLawTable[255]);
    QCOMPARE(gainA.Value(), UWORD(0x8000));
    first->SetOffline();
    second->SetOffline();
    WaitForBuilder();

    cTraceCapture traces;
    const QString longType(70, QLatin1Char('t'));
    auto unnamed = MakeWidget<cTestLevelWidget>(*mConfig, element, 7, longType);
    QVERIFY(unnamed->disabled());
    QCOMPARE(traces.CountContaining(QStringLiteral("not registered, widget disabled")), 1);
    // An answer does not enable it again, and nothing is linked.
    unnamed->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { "unit gain a", PARAMETER_BASE } });
    QVERIFY(unnamed->disabled());
    QVERIFY(unnamed->Links().empty());
    unnamed->SetOffline();
    QVERIFY(unnamed->disabled());

    auto button
        = MakeWidget<cTestControlWidget>(*mConfig, QStringLiteral("<Widget id=\"7\" type=\"b\"/>"), 7, longType);
    button->SetOnline();
    QVERIFY(button->disabled());
    button->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { "unit gain a", PARAMETER_BASE } });
    QVERIFY(button->disabled());
    QVERIFY(button->Links().empty());
}

void tst_ZUNetWidget::valueBeforeOnLine_data()
{
    QTest::addColumn<QString>("function");
    for (const auto& row : cTestControlWidget::kFunctions)
        QTest::newRow(qPrintable(row.second)) << row.second;
}

// QML reads `value` as soon as the view binds, before the widget has drivers.
void tst_ZUNetWidget::valueBeforeOnLine()
{
    QFETCH(QString, function);
    auto widget = MakeWidget<cTestControlWidget>(
        *mConfig, QStringLiteral("<Widget id=\"1\" type=\"b\" function=\"%1\" sceneNumber=\"1\"/>").arg(function));
    QVERIFY(!widget->SwitchDriver());
    QCOMPARE(widget->property("value").toFloat(), 0.0f);
    widget->setValue(true);
    QCOMPARE(widget->property("value").toFloat(), 0.0f);
}

void tst_ZUNetWidget::requestKeys_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<QString>("key");
    QTest::newRow("mute") << "function=\"mute\" channelType=\"ip\" channelNumber=\"5\""
                          << "mute/ip/4";
    QTest::newRow("channel 1 is 0") << "function=\"mute\" channelType=\"op\" channelNumber=\"1\""
                                    << "mute/op/0";
    QTest::newRow("channel 1000 is 999") << "function=\"mute\" channelNumber=\"1000\""
                                         << "mute/ip/999";
    QTest::newRow("pafl") << "function=\"pafl\" channelNumber=\"3\" paflChannelNumber=\"2\""
                          << "pafl/ip/2/1";
    QTest::newRow("paflclear") << "function=\"paflclear\" paflChannelNumber=\"4\""
                               << "paflclear/3";
    QTest::newRow("talkbackassign") << "function=\"talkbackassign\" destChannelType=\"op\" destChannelNumber=\"9\""
                                    << "talkbackassign/op/8";
    QTest::newRow("mutegrp") << "function=\"mutegrp\" muteGrpNumber=\"6\""
                             << "mutegrp/5";
    QTest::newRow("ammchactive") << "function=\"ammchactive\" channelNumber=\"2\""
                                 << "ammchactive/1";
    QTest::newRow("amminout") << "function=\"amminout\" ammNumber=\"3\""
                              << "amminout/2";
    QTest::newRow("taptempo") << "function=\"taptempo\" fxUnitNumber=\"2\" globalLocalSource=\"local\" "
                                 "leftRightSource=\"righths\""
                              << "taptempo/1/local/righths";
    QTest::newRow("sendonoff") << "function=\"sendonoff\" channelNumber=\"2\" destChannelType=\"op\" "
                                  "destChannelNumber=\"3\""
                               << "sendonoff/ip/1/op/2";
    QTest::newRow("scenerecall") << "function=\"scenerecall\" sceneNumber=\"3\""
                                 << "scenerecall/2";
    QTest::newRow("a leaf's own code") << "function=\"ownfunction\" channelNumber=\"3\""
                                       << "ownfunction";
    QTest::newRow("unknown codes select row 0") << "function=\"nosuch\" channelType=\"zz\" channelNumber=\"x\""
                                                << "mute/ip/-1";
}

void tst_ZUNetWidget::requestKeys()
{
    QFETCH(QString, attributes);
    QFETCH(QString, key);
    auto widget
        = MakeWidget<cTestControlWidget>(*mConfig, QStringLiteral("<Widget id=\"1\" type=\"b\" %1/>").arg(attributes));
    std::string built = "old";
    widget->GetObjectNamesAndParametersString(built);
    QCOMPARE(QString::fromStdString(built), key);
}

// An index can come from QML, or from a destination table longer than the channel-type table the
// key reads: outside its table it gives an empty part and a trace, never a read past the end.
void tst_ZUNetWidget::indexesOutsideTheirTables()
{
    cTraceCapture traces;
    auto widget = MakeWidget<cTestControlWidget>(
        *mConfig, QStringLiteral("<Widget id=\"1\" type=\"b\" function=\"talkbackassign\" destChannelType=\"bus\"/>"));
    QCOMPARE(widget->DestChannelTypeProperty()->Index(), 2);
    std::string key;
    widget->GetObjectNamesAndParametersString(key);
    QCOMPARE(QString::fromStdString(key), QStringLiteral("talkbackassign//0"));
    QCOMPARE(traces.CountContaining(QStringLiteral("Index 2 outside a table of 2 codes")), 1);

    widget->SelectFunction(QStringLiteral("mute"));
    widget->ChannelTypeProperty()->setValue(7);
    widget->GetObjectNamesAndParametersString(key);
    QCOMPARE(QString::fromStdString(key), QStringLiteral("mute//0"));

    widget->FunctionProperty()->setValue(40);
    QCOMPARE(widget->FunctionCode(), QString());
    widget->GetObjectNamesAndParametersString(key);
    QCOMPARE(QString::fromStdString(key), QString());
    QVERIFY(!widget->value());
    widget->FunctionProperty()->setValue(-3);
    QCOMPARE(widget->FunctionCode(), QString());

    auto level = MakeWidget<cTestLevelWidget>(*mConfig, QStringLiteral("<Widget id=\"1\" type=\"f\"/>"));
    level->mAudioTaper->setValue(9);
    level->mLevelType->setValue(-1);
    QCOMPARE(level->AudioTaperCode(), QString());
    QCOMPARE(level->LevelTypeCode(), QString());
    QVERIFY(level->mMinGain->visible()); // an unknown taper is not "on"
}

void tst_ZUNetWidget::linksPerFunction_data()
{
    QTest::addColumn<QString>("function");
    // (source, destination, sync, bidirect) per link; "first"/"last" the unit's objects,
    // "switch"/"word" the widget's drivers.
    QTest::addColumn<QStringList>("links");
    const QStringList switchLink { "first>switch sync bidirect" };
    for (const char* function :
        { "mute", "pafl", "talkbackassign", "mutegrp", "ammchactive", "amminout", "sendonoff", "xpmute" })
        QTest::newRow(function) << function << switchLink;
    QTest::newRow("taptempo") << "taptempo" << QStringList { "word>first", "last>switch" };
    QTest::newRow("paflclear") << "paflclear" << QStringList { "switch>first", "last>switch sync" };
    QTest::newRow("scenerecall") << "scenerecall" << QStringList { "first>word sync bidirect" };
    QTest::newRow("a leaf's own code") << "ownfunction" << QStringList {};
}

// On line makes exactly the links of the function; off line undoes exactly those, on both ends.
void tst_ZUNetWidget::linksPerFunction()
{
    QFETCH(QString, function);
    QFETCH(QStringList, links);
    cValueObject first("unit first", 1);
    cValueObject last("unit last", 1);
    auto widget = MakeWidget<cTestControlWidget>(
        *mConfig, QStringLiteral("<Widget id=\"1\" type=\"b\" function=\"%1\"/>").arg(function));
    widget->SetOnline();
    QVERIFY(widget->IsOnline());
    widget->NetObjectNamesAndParametersReceived(
        Quendle::NameParamResolved, { { "unit first", PARAMETER_BASE }, { "unit last", PARAMETER_BASE } });

    auto role = [&](const std::string& name) -> QString {
        if (name == "unit first")
            return QStringLiteral("first");
        if (name == "unit last")
            return QStringLiteral("last");
        if (widget->SwitchDriver() && name == widget->SwitchDriver()->GetName())
            return QStringLiteral("switch");
        if (widget->UWORDDriver() && name == widget->UWORDDriver()->GetName())
            return QStringLiteral("word");
        return QString::fromStdString(name);
    };
    QStringList made;
    for (const cZUNetWidget::sLink& link : widget->Links()) {
        QCOMPARE(link.mSourceParameter, UWORD(PARAMETER_BASE));
        QCOMPARE(link.mDestinationParameter, UWORD(PARAMETER_BASE));
        made << (role(link.mSource) + ">" + role(link.mDestination) + (link.mSync ? " sync" : "")
            + (link.mBidirect ? " bidirect" : ""));
    }
    QCOMPARE(made, links);
    WaitForBuilder();
    QVERIFY(!widget->disabled());
    const int linked = InformCount(first) + InformCount(last);
    QVERIFY(links.isEmpty() ? linked == 0 : linked > 0);

    widget->SetOffline();
    QVERIFY(widget->Links().empty());
    WaitForBuilder();
    QCOMPARE(InformCount(first), UWORD(0));
    QCOMPARE(InformCount(last), UWORD(0));
    if (widget->SwitchDriver())
        QCOMPARE(InformCount(*widget->SwitchDriver()), UWORD(0));
    if (widget->UWORDDriver())
        QCOMPARE(InformCount(*widget->UWORDDriver()), UWORD(0));
    QVERIFY(!widget->disabled());
}

// A refused answer after a good one undoes the good one's links and disables the widget; removing
// a link whose object has gone never disables it.
void tst_ZUNetWidget::failedAnswerAndRemovals()
{
    cTraceCapture traces;
    auto object = std::make_unique<cValueObject>("unit mute", 1);
    auto widget = MakeWidget<cTestControlWidget>(*mConfig, QStringLiteral("<Widget id=\"1\" type=\"b\"/>"));
    widget->SetOnline();
    widget->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { "unit mute", PARAMETER_BASE } });
    WaitForBuilder();
    QCOMPARE(InformCount(*object), UWORD(1));

    QSignalSpy valueChanged(widget.get(), &cZUNetControlWidgetBase::valueChanged);
    widget->NetObjectNamesAndParametersReceived(Quendle::eRequestNameParamStatusCode(2), {});
    QVERIFY(widget->disabled());
    QVERIFY(widget->NamesAndParameters().empty());
    QCOMPARE(valueChanged.count(), 1);
    WaitForBuilder();
    QCOMPARE(InformCount(*object), UWORD(0));

    widget->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { "unit mute", PARAMETER_BASE } });
    QVERIFY(!widget->disabled());
    WaitForBuilder();
    object.reset();
    widget->SetOffline();
    WaitForBuilder();
    QTest::qWait(20);
    QVERIFY(!widget->disabled());
    QCOMPARE(traces.Count(QStringLiteral("ERROR: Failed to make link!")), 0);

    // A link to an object nobody has does disable it.
    widget->SetOnline();
    widget->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { "unit nobody", PARAMETER_BASE } });
    WaitForBuilder();
    QTRY_VERIFY(widget->disabled());
    QCOMPARE(traces.Count(QStringLiteral("ERROR: Failed to make link!")), 1);
}

void tst_ZUNetWidget::sceneRecallAndTapTempo()
{
    cValueObject scene("unit scene", 1);
    scene.SetValue(2);
    auto widget = MakeWidget<cTestControlWidget>(
        *mConfig, QStringLiteral("<Widget id=\"1\" type=\"b\" function=\"scenerecall\" sceneNumber=\"3\"/>"));
    widget->SetOnline();
    widget->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { "unit scene", PARAMETER_BASE } });
    QTRY_COMPARE(widget->property("value").toFloat(), 1.0f);
    SyscallMessagesPollLock();
    scene.SetValue(4);
    SyscallMessagesPollUnLock();
    QTRY_COMPARE(widget->property("value").toFloat(), 0.0f);
    SyscallMessagesPollLock();
    scene.SetValue(2);
    SyscallMessagesPollUnLock();
    QTRY_COMPARE(widget->property("value").toFloat(), 1.0f);
    widget->SetOffline();
    QCOMPARE(widget->property("value").toFloat(), 0.0f);
    WaitForBuilder();

    // Tap tempo: the unit's indicator lights the widget for a moment, and the off goes back.
    cValueObject tap("unit tap", 1);
    cValueObject indicator("unit tempo", 1);
    auto tempo = MakeWidget<cTestControlWidget>(
        *mConfig, QStringLiteral("<Widget id=\"2\" type=\"b\" function=\"taptempo\"/>"), 2);
    tempo->SetOnline();
    tempo->NetObjectNamesAndParametersReceived(
        Quendle::NameParamResolved, { { "unit tap", PARAMETER_BASE }, { "unit tempo", PARAMETER_BASE } });
    WaitForBuilder();
    QSignalSpy valueChanged(tempo.get(), &cZUNetControlWidgetBase::valueChanged);
    SyscallMessagesPollLock();
    indicator.SetValue(0x0100); // a switch reads the first byte
    SyscallMessagesPollUnLock();
    QTRY_VERIFY(valueChanged.count() >= 1);
    QTRY_COMPARE(tempo->SwitchDriver()->Value(), false);
    QCOMPARE(valueChanged.count(), 2);
    tempo->SetOffline();
    WaitForBuilder();
}

// A new binding retires the drivers while a value they received may still wait to be told: it
// reaches neither the widget (which the retired driver may outlive) nor its view; the new driver's do.
void tst_ZUNetWidget::retiredDriverTellsItsWidgetNothing()
{
    cValueObject mute("unit mute", 1);
    auto widget = MakeWidget<cTestControlWidget>(
        *mConfig, QStringLiteral("<Widget id=\"1\" type=\"b\" function=\"mute\" channelNumber=\"1\"/>"));
    widget->SetOnline();
    widget->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { "unit mute", PARAMETER_BASE } });
    WaitForBuilder();
    QSignalSpy valueChanged(widget.get(), &cZUNetControlWidgetBase::valueChanged);
    QPointer<cZUNetBooleanSwitchDriver> retired = widget->SwitchDriver();
    retired->SetValueFromNetwork(true);
    // Its link's removal keeps it until the builder is through.
    widget->CreateDriver();
    QVERIFY(retired);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(valueChanged.count(), 0);
    widget->SwitchDriver()->SetValueFromNetwork(true);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(valueChanged.count(), 1);
    QVERIFY(widget->value());
    widget->SetOffline();
    WaitForBuilder();
}

// Before the unit's first value the driver holds "no value yet": it is never shown (no jump to the
// top) and nothing is written back; a "no value" arriving later is skipped too.
void tst_ZUNetWidget::levelNoValueYet()
{
    cSilentObject gain("unit silent gain", 1);
    auto widget = MakeWidget<cTestLevelWidget>(*mConfig, QStringLiteral("<Widget id=\"1\" type=\"f\"/>"));
    QSignalSpy position(widget.get(), &cTestLevelWidget::positionChanged);
    widget->SetOnline();
    widget->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { "unit silent gain", PARAMETER_BASE } });
    WaitForBuilder();
    QVERIFY(!widget->LevelDriver()->HasValue());
    QCOMPARE(widget->mDriverValueCalls, 0);
    QCOMPARE(widget->position(), -1.0);
    QCOMPARE(gain.Updates(), 0);

    SyscallMessagesPollLock();
    gain.SetValue(0x8000);
    SyscallMessagesPollUnLock();
    QTRY_COMPARE(widget->position(), 196 / 255.0);
    const int calls = widget->mDriverValueCalls;
    SyscallMessagesPollLock();
    gain.SetValue(cZUNetUWORDDriver::NO_VALUE);
    SyscallMessagesPollUnLock();
    QTRY_VERIFY(!widget->LevelDriver()->HasValue());
    QTest::qWait(20);
    QCOMPARE(widget->mDriverValueCalls, calls);
    QCOMPARE(widget->position(), 196 / 255.0);
    QCOMPARE(gain.Updates(), 0);
    QCOMPARE(position.count(), 1);
    widget->SetOffline();
    WaitForBuilder();
}

// One driver from Init to the end; every SetOnline asks again; a second answer first removes the
// first answer's link; visibility follows taper and level type.
void tst_ZUNetWidget::levelLinkAndVisibility()
{
    cValueObject one("unit gain one", 1);
    cValueObject two("unit gain two", 1);
    one.SetValue(0x8000);
    two.SetValue(0);
    auto widget = MakeWidget<cTestLevelWidget>(*mConfig, QStringLiteral("<Widget id=\"1\" type=\"f\"/>"));
    cZUNetUWORDDriver* driver = widget->LevelDriver();
    widget->SetOffline(); // nothing linked: nothing queued
    QCOMPARE(gSystemBuilder->GetQueued(), UWORD(0));
    widget->SetOnline();
    widget->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { "unit gain one", PARAMETER_BASE } });
    QCOMPARE(widget->Links().size(), std::size_t(1));
    const cZUNetWidget::sLink& link = widget->Links().front();
    QVERIFY(link.mSync && link.mBidirect);
    QTRY_COMPARE(widget->position(), 196 / 255.0);
    widget->SetOnline();
    QCOMPARE(widget->LevelDriver(), driver);
    widget->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { "unit gain two", PARAMETER_BASE } });
    WaitForBuilder();
    QCOMPARE(InformCount(one), UWORD(0));
    QCOMPARE(InformCount(two), UWORD(1));
    QTRY_COMPARE(widget->position(), 0.0);
    widget->NetObjectNamesAndParametersReceived(Quendle::eRequestNameParamStatusCode(2), {});
    QVERIFY(widget->disabled());
    WaitForBuilder();
    QCOMPARE(InformCount(two), UWORD(0));
    widget->SetOffline();
    QVERIFY(!widget->disabled());

    QVERIFY(!widget->mMinGain->visible() && !widget->mMaxGain->visible() && !widget->mMinToInf->visible());
    widget->mAudioTaper->setValue(1);
    QVERIFY(widget->mMinGain->visible() && widget->mMaxGain->visible() && widget->mMinToInf->visible());
    QVERIFY(!widget->mDestChannelNumber->visible());
    widget->mLevelType->setValue(1);
    QVERIFY(widget->mDestChannelNumber->visible() && widget->DestChannelTypeProperty()->visible());
}

void tst_ZUNetWidget::propertiesBeforeTheirObjects_data()
{
    QTest::addColumn<bool>("level");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QStringList>("resources");
    QTest::newRow("control")
        << false
        << "function=\"pafl\" channelType=\"op\" channelNumber=\"4\" paflChannelNumber=\"2\" text=\"Talk\" "
           "colour=\"#8000ff00\" offColour=\"red\" radius=\"0.25\" textFont=\"lato\" offImageResourceId=\"_basic\" "
           "onImageResourceId=\"logo\" leftRightSource=\"righths\" globalLocalSource=\"nowhere\""
        << "function=\"scenerecall\" sceneNumber=\"3\" text=\"Talk\" colour=\"#00ff00\" offColour=\"not a colour\" "
           "radius=\"nan\" offImageResourceId=\"logo\" onImageResourceId=\"_basic\" channelNumber=\"4\" "
           "muteGrpNumber=\"x\""
        << QStringList { "logo", "other", "_basic" };
    QTest::newRow("level") << true
                           << "levelType=\"sendlevel\" channelType=\"op\" destChannelNumber=\"3\" audioTaper=\"off\" "
                              "minGain=\"-40\" textLabel=\"Mix\" onImageResourceId=\"knob\" controlColour=\"#123456\""
                           << "levelType=\"mainlevel\" audioTaper=\"on\" minToInf=\"on\" textLabel=\"Mix 2\" "
                              "offImageResourceId=\"knob\" onImageResourceId=\"knob\" overlayColour=\"#66FFFF00\""
                           << QStringList { "knob" };
}

// Two widgets read from the same elements and told of the same resources, one with its property
// objects made before anything was read and one without: the second makes none meanwhile and
// signals, shows and finally holds exactly what the first does.
void tst_ZUNetWidget::propertiesBeforeTheirObjects()
{
    QFETCH(bool, level);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QStringList, resources);
    auto make = [&](bool objects) -> std::unique_ptr<cWidget> {
        std::unique_ptr<cWidget> widget;
        if (level)
            widget = std::make_unique<cTestLevelWidget>(1, nullptr, *mConfig);
        else
            widget = std::make_unique<cTestControlWidget>(1, nullptr, *mConfig);
        widget->Init();
        if (objects)
            widget->AllProperties();
        return widget;
    };
    const std::unique_ptr<cWidget> made = make(true);
    const std::unique_ptr<cWidget> plain = make(false);
    WidgetTest::cSignalCounter madeSignals(made.get());
    WidgetTest::cSignalCounter plainSignals(plain.get());
    for (const QString& attributes : { first, second }) {
        for (cWidget* widget : { made.get(), plain.get() }) {
            QXmlStreamReader reader(WidgetTest::Element(*widget, attributes));
            QVERIFY(reader.readNextStartElement());
            widget->LoadAttributes(reader);
        }
    }
    for (const QString& id : resources) {
        Q_EMIT mConfig->ResourceInserted(id);
        Q_EMIT mConfig->ResourceChanged(id);
        Q_EMIT mConfig->ResourceRemoved(id);
    }
    QVERIFY(plain->findChildren<cProperty*>().isEmpty());
    QCOMPARE(plainSignals.Emitted(), madeSignals.Emitted());
    const QMetaObject* meta = made->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i)
        QCOMPARE(meta->property(i).read(plain.get()), meta->property(i).read(made.get()));

    const QList<cProperty*> expected = made->AllProperties();
    const QList<cProperty*> actual = plain->AllProperties();
    QCOMPARE(actual.size(), expected.size());
    for (int p = 0; p < expected.size(); ++p) {
        QCOMPARE(actual[p]->name(), expected[p]->name());
        QCOMPARE(actual[p]->stringValue(), expected[p]->stringValue());
        QCOMPARE(actual[p]->visible(), expected[p]->visible());
        QCOMPARE(actual[p]->property("comboValues"), expected[p]->property("comboValues"));
    }
    // From now on the objects hold the values, and a change reaches the widget through them.
    const auto named = std::find_if(actual.begin(), actual.end(),
        [](const cProperty* property) { return property->name() == QLatin1String("Text"); });
    QVERIFY(named != actual.end());
    QSignalSpy text(plain.get(), SIGNAL(textChanged()));
    (*named)->setStringValue(QStringLiteral("changed"));
    QCOMPARE(plain->property("text").toString(), QStringLiteral("changed"));
    QCOMPARE(text.count(), 1);
}

// A batch keeps the poll lock its widgets took, and yet the syscall thread dispatches before the
// batch ends; a batch whose widgets took no lock never holds it.
void tst_ZUNetWidget::batchLetsTheSyscallThreadIn()
{
    constexpr int kMessages = 5;
    cCountingObject counter;
    cZUNetMessage message(0);
    message.SetAddress(ZUNET_LOCAL_CONNECTION, counter.GetHandle(), ZUNET_NO_HANDLE, PARAMETER_BASE);
    auto dispatched = [&] { return counter.mMessages.load(); };
    std::vector<std::unique_ptr<cUnknownWidget>> widgets;
    {
        const cWidgetBatch batch;
        gRegistryRouter->PostLocalMessage(message);
        QTRY_COMPARE(dispatched(), 1);
        {
            // What a widget's driver registration does.
            const cWidgetBatch::cLock lock;
        }
        for (int i = 1; i < kMessages; ++i)
            gRegistryRouter->PostLocalMessage(message);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        QCOMPARE(dispatched(), 1);
        for (int i = 0; i < 1000 * cWidgetBatch::kWidgetsPerHold && dispatched() < kMessages; ++i)
            widgets.push_back(std::make_unique<cUnknownWidget>(i, nullptr, QStringLiteral("plain")));
        QTRY_COMPARE(dispatched(), kMessages);
    }
}

QTEST_MAIN(tst_ZUNetWidget)
#include "tst_zunetwidget.moc"
