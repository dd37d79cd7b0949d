// The rotary of both families on the real registry and system builder: pan, balance and level
// mappings both ways, what QML may write, "no value yet" after binding, request keys and their
// expressions, the level types that follow the control type, and the second family's loading of
// old control types with the stored channel types kept.
#include "Common/Misc/NonLinearLookup.h"
#include "Quendle/Drivers/ValueDrivers.h"
#include "Quendle/Properties/Properties.h"
#include "Quendle/Widgets/Control/RotaryWidgetTarvo.h"
#include "Quendle/Widgets/Control/RotaryWidgetVespril.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "tests/support/Connections.h"
#include "tests/support/ValueObject.h"
#include "tests/support/quendle/TestConfig.h"
#include "tests/support/quendle/UnitObjectKit.h"
#include "tests/support/quendle/WidgetTestKit.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>
#include <regex>

namespace
{

using WidgetTest::cSilentObject;
using WidgetTest::WaitForBuilder;

} // namespace

class tst_Rotary : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void newRotary();
    void positionToCode_data();
    void positionToCode();
    void codeToPosition_data();
    void codeToPosition();
    void noJumpBeforeTheUnitsValue();
    void requestKeys_data();
    void requestKeys();
    void requestExpressions();
    void levelTypesFollowTheControlType();
    void visibility_data();
    void visibility();

private:
    std::unique_ptr<cZUNetRotaryWidget> Make(const QString& attributes, bool vespril = false);

    cStartedNetwork mNetwork;
    std::unique_ptr<cTestApplication> mApplication;
    std::unique_ptr<cTestConfig> mConfig;
};

void tst_Rotary::initTestCase()
{
    mApplication = std::make_unique<cTestApplication>();
    mConfig = std::make_unique<cTestConfig>(mApplication.get());
}

void tst_Rotary::cleanupTestCase()
{
    mConfig.reset();
    mApplication.reset();
}

std::unique_ptr<cZUNetRotaryWidget> tst_Rotary::Make(const QString& attributes, bool vespril)
{
    const QString element = QStringLiteral("<Widget id=\"1\" type=\"r\" %1/>").arg(attributes);
    if (vespril)
        return WidgetTest::Make<cZUNetRotaryWidgetVespril>(element, 1, nullptr, *mConfig);
    return WidgetTest::Make<cZUNetRotaryWidgetTarvo>(element, 1, nullptr, *mConfig);
}

// Before any attribute and any value from the unit: fully anticlockwise, and the first control type.
void tst_Rotary::newRotary()
{
    auto tarvo = Make(QString());
    QCOMPARE(tarvo->value(), 0.0);
    QCOMPARE(tarvo->ControlTypeCode(), QStringLiteral("pan"));
    QCOMPARE(tarvo->mLevelType.comboValues(),
        QStringList({ QStringLiteral("Main Level"), QStringLiteral("Send Level"), QStringLiteral("Output Balance") }));
    QVERIFY(!tarvo->LevelDriver()->HasValue());
    QCOMPARE(tarvo->imageControlIdentifier(), QStringLiteral("default_rotary_pointer_0"));
    QCOMPARE(tarvo->imageBackgroundIdentifier(), QStringLiteral("default_gen_rotary_0"));
    QCOMPARE(tarvo->Type(), QStringLiteral("zunet_rotary"));
    auto vespril = Make(QString(), true);
    QCOMPARE(vespril->Type(), QStringLiteral("vsp_zunet_rotary"));
    QCOMPARE(vespril->ControlTypeCode(), QStringLiteral("corvolevel"));
    QCOMPARE(vespril->mControlType.comboValues(),
        QStringList({ QStringLiteral("Level"), QStringLiteral("XPoint Level"), QStringLiteral("Output Balance") }));
    QVERIFY(WidgetTest::RoundTripDifferences(*vespril, *Make(QString(), true)).isEmpty());
}

void tst_Rotary::positionToCode_data()
{
    QTest::addColumn<bool>("vespril");
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<double>("position");
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("value");

    QTest::newRow("pan, centre") << false << "" << 0.5 << 37 << 0.5;
    QTest::newRow("pan, right") << false << "" << 1.0 << 74 << 1.0;
    QTest::newRow("pan, snaps to a step") << false << "" << 0.3 << 22 << 22 / 74.0;
    // Clamped before the arithmetic: no negative code cast to a word.
    QTest::newRow("pan, below the left") << false << "" << -0.5 << 0 << 0.0;
    QTest::newRow("pan, beyond the right") << false << "" << 7.0 << 74 << 1.0;
    const QString level = QStringLiteral("controlType=\"level\" ");
    QTest::newRow("level, top") << false << level << 1.0 << 0x8A00 << 1.0;
    // Not index 256 wrapped to 0 (minus infinity).
    QTest::newRow("level, a hair above the top") << false << level << 1.004 << 0x8A00 << 1.0;
    QTest::newRow("level, below the bottom") << false << level << -0.2 << 0 << 0.0;
    QTest::newRow("level, middle") << false << level << 0.5 << int(cFaderLookup::kFaderLawTable[127]) << 127 / 255.0;
    QTest::newRow("level, linear middle") << false << level + "audioTaper=\"off\" minGain=\"-40\" maxGain=\"10\"" << 0.5
                                          << int(std::trunc(-15 * 256.0 + 32768)) << 0.5;
    QTest::newRow("level, equal gains") << false << level + "audioTaper=\"off\" minGain=\"5\" maxGain=\"5\"" << 0.5
                                        << 0x8500 << 1.0;
    QTest::newRow("second family, balance") << true << "controlType=\"corvooutputBal\"" << 0.5 << 37 << 0.5;
    QTest::newRow("second family, level") << true << "controlType=\"corvolevel\"" << 1.0 << 0x8A00 << 1.0;
}

// A position written by QML becomes this code, and the value follows the driver to the step it holds.
void tst_Rotary::positionToCode()
{
    QFETCH(bool, vespril);
    QFETCH(QString, attributes);
    QFETCH(double, position);
    QFETCH(int, code);
    QFETCH(double, value);
    auto rotary = Make(attributes, vespril);
    rotary->setProperty("value", position);
    QCOMPARE(int(rotary->LevelDriver()->Value()), code);
    QCOMPARE(rotary->value(), value);
}

void tst_Rotary::codeToPosition_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("position");

    QTest::newRow("pan, centre") << "" << 37 << 0.5;
    QTest::newRow("pan, right") << "" << 74 << 1.0;
    QTest::newRow("pan, beyond the right") << "" << 80 << 1.0;
    QTest::newRow("pan, above every step") << "" << 0xFFFE << 1.0;
    const QString level = QStringLiteral("controlType=\"level\" ");
    QTest::newRow("level, 0 dB") << level << 0x8000 << 196 / 255.0;
    QTest::newRow("level, linear below the range") << level + "audioTaper=\"off\" minGain=\"-40\"" << 0x4000 << 0.0;
    QTest::newRow("level, equal gains") << level + "audioTaper=\"off\" minGain=\"5\" maxGain=\"5\"" << 0x8500 << 1.0;
}

void tst_Rotary::codeToPosition()
{
    QFETCH(QString, attributes);
    QFETCH(int, code);
    QFETCH(double, position);
    auto rotary = Make(attributes);
    rotary->LevelDriver()->SetValue(UWORD(code));
    QCOMPARE(rotary->value(), position);
}

// What is not a number changes nothing; bound to a unit that has sent nothing yet, and bound again,
// the pointer does not swing to the end from "no value yet" and nothing is written to the unit.
void tst_Rotary::noJumpBeforeTheUnitsValue()
{
    cSilentObject silent("unit silent pan", 1);
    auto rotary = Make(QString());
    QSignalSpy changed(rotary.get(), &cZUNetRotaryWidget::valueChanged);
    for (double bad : { std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity() })
        rotary->setValue(bad);
    QVERIFY(!rotary->LevelDriver()->HasValue());
    rotary->SetOnline();
    rotary->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { silent.GetName(), PARAMETER_BASE } });
    WaitForBuilder();
    QCOMPARE(rotary->value(), 0.0);
    QCOMPARE(changed.count(), 0);

    cValueObject pan("unit pan", 1);
    pan.SetValue(37);
    rotary->SetOffline();
    rotary->SetOnline();
    rotary->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { pan.GetName(), PARAMETER_BASE } });
    QTRY_COMPARE(rotary->value(), 0.5);
    rotary->setValue(1.0);
    QTRY_COMPARE(int(pan.Value()), 74);
    rotary->SetOffline();
    rotary->SetOnline();
    rotary->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { silent.GetName(), PARAMETER_BASE } });
    WaitForBuilder();
    QCOMPARE(rotary->value(), 1.0);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(silent.Updates(), 0);
    rotary->SetOffline();
    WaitForBuilder();
}

void tst_Rotary::requestKeys_data()
{
    QTest::addColumn<bool>("vespril");
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("key");

    QTest::newRow("level") << false << "controlType=\"level\" channelType=\"ip\""
                           << "level"
                           << "mainlevel/ip/0";
    QTest::newRow("pan") << false << "channelType=\"ip\""
                         << "pan"
                         << "pan/mainlevel/ip/0";
    QTest::newRow("pan of a send")
        << false << "levelType=\"sendlevel\" channelType=\"ip\" destChannelType=\"aux\" destChannelNumber=\"2\""
        << "pan"
        << "pan/sendlevel/ip/0/aux/1";
    QTest::newRow("pan of a balance") << false << "levelType=\"outputBal\" channelType=\"main\""
                                      << "pan"
                                      << "pan/outputBal/main/0";
    QTest::newRow("level has no balance") << false << "controlType=\"level\" levelType=\"outputBal\""
                                          << "level"
                                          << "mainlevel/dca/0";
    QTest::newRow("room level") << true << "controlType=\"corvolevel\" channelType=\"room\" channelNumber=\"3\""
                                << "corvolevel"
                                << "corvolevel/room/2";
    QTest::newRow("control group level") << true
                                         << "controlType=\"corvolevel\" channelType=\"controlgrp\" channelNumber=\"3\""
                                         << "corvolevel"
                                         << "mainlevel/controlgrp/2";
    QTest::newRow("balance") << true << "controlType=\"corvooutputBal\""
                             << "corvooutputBal"
                             << "outputBal/mainlevel/zone/0";
    QTest::newRow("crosspoint")
        << true << "controlType=\"corvoxplevel\" channelType=\"ip\" channelNumber=\"4\" destChannelNumber=\"2\""
        << "corvoxplevel"
        << "sendlevel/ip/3/zone/1";
    QTest::newRow("crosspoint has no room") << true << "controlType=\"corvoxplevel\" channelType=\"room\""
                                            << "corvoxplevel"
                                            << "sendlevel/ip/0/zone/0";
    // The stored channel type survives the control type's own change of the channel-type list.
    QTest::newRow("crosspoint from a zone") << true << "controlType=\"corvoxplevel\" channelType=\"zone\""
                                            << "corvoxplevel"
                                            << "sendlevel/zone/0/zone/0";
    QTest::newRow("old level of a send")
        << true << "controlType=\"level\" levelType=\"sendlevel\" channelType=\"zone\" channelNumber=\"2\""
        << "corvoxplevel"
        << "sendlevel/zone/1/zone/0";
    QTest::newRow("old level") << true << "controlType=\"level\" levelType=\"mainlevel\" channelType=\"room\""
                               << "corvolevel"
                               << "corvolevel/room/0";
    QTest::newRow("old balance") << true << "controlType=\"outputBal\" channelNumber=\"4\""
                                 << "corvooutputBal"
                                 << "outputBal/mainlevel/zone/3";
    QTest::newRow("nothing stored") << true << ""
                                    << "corvolevel"
                                    << "mainlevel/ip/0";
    QTest::newRow("old level, control group kept") << true << "channelType=\"controlgrp\" channelNumber=\"7\""
                                                   << "corvolevel"
                                                   << "mainlevel/controlgrp/6";
}

// The control type after loading, the key asked for, and exactly one of the family's expressions
// matching it whole.
void tst_Rotary::requestKeys()
{
    QFETCH(bool, vespril);
    QFETCH(QString, attributes);
    QFETCH(QString, control);
    QFETCH(QString, key);
    auto rotary = Make(attributes, vespril);
    QCOMPARE(rotary->ControlTypeCode(), control);
    QCOMPARE(QString::fromStdString(rotary->RequestKey()), key);
    int matching = 0;
    for (const std::string& expression : rotary->GetAllObjectRequestRegExps())
        matching += std::regex_match(rotary->RequestKey(), std::regex(expression)) ? 1 : 0;
    QCOMPARE(matching, 1);
    if (vespril) // the editor never offers the old types
        QCOMPARE(rotary->mControlType.comboValues().size(), 3);
}

void tst_Rotary::requestExpressions()
{
    const std::list<std::string> vespril = cZUNetRotaryWidgetVespril::GetAllObjectRequestRegExpsStatic();
    QCOMPARE(vespril.size(), std::size_t(7));
    QCOMPARE(vespril.front(), std::string("mainlevel/ip/\\d+"));
    QCOMPARE(vespril.back(), std::string("corvolevel/room/\\d+"));
    const std::list<std::string> tarvo = cZUNetRotaryWidgetTarvo::GetAllObjectRequestRegExpsStatic();
    QCOMPARE(tarvo.size(), std::size_t(336));
    const std::vector<std::string> t(tarvo.begin(), tarvo.end());
    QCOMPARE(t[0], std::string("pan/mainlevel/dca/\\d+"));
    QCOMPARE(t[12], std::string("pan/sendlevel/dca/\\d+/dca/\\d+"));
    QCOMPARE(t[167], std::string("pan/outputBal/fxret/\\d+"));
    QCOMPARE(t[168], std::string("mainlevel/dca/\\d+"));
    QCOMPARE(t[335], std::string("outputBal/fxret/\\d+"));
}

// Pan offers three level types and level two; Output Balance gives way to Main Level, Send Level
// stays.
void tst_Rotary::levelTypesFollowTheControlType()
{
    auto rotary = Make(QStringLiteral("levelType=\"outputBal\""));
    QCOMPARE(rotary->LevelTypeCode(), QStringLiteral("outputBal"));
    rotary->mControlType.setIntValue(1);
    QCOMPARE(rotary->mLevelType.comboValues().size(), 2);
    QCOMPARE(rotary->LevelTypeCode(), QStringLiteral("mainlevel"));
    rotary->mControlType.setIntValue(0);
    QCOMPARE(rotary->mLevelType.comboValues().size(), 3);
    rotary->mLevelType.setIntValue(1);
    rotary->mControlType.setIntValue(1);
    QCOMPARE(rotary->LevelTypeCode(), QStringLiteral("sendlevel"));
}

void tst_Rotary::visibility_data()
{
    QTest::addColumn<bool>("vespril");
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<bool>("gains");
    QTest::addColumn<bool>("taper");
    QTest::addColumn<bool>("destination");

    QTest::newRow("pan") << false << "audioTaper=\"off\"" << false << false << false;
    QTest::newRow("level, linear") << false << "controlType=\"level\" audioTaper=\"off\"" << true << true << false;
    QTest::newRow("level") << false << "controlType=\"level\"" << false << true << false;
    QTest::newRow("balance") << true << "controlType=\"corvooutputBal\" audioTaper=\"off\"" << false << false << false;
    QTest::newRow("crosspoint") << true << "controlType=\"corvoxplevel\" audioTaper=\"off\"" << true << true << true;
    QTest::newRow("second family level") << true << "controlType=\"corvolevel\"" << false << true << false;
}

void tst_Rotary::visibility()
{
    QFETCH(bool, vespril);
    QFETCH(QString, attributes);
    QFETCH(bool, gains);
    QFETCH(bool, taper);
    QFETCH(bool, destination);
    auto rotary = Make(attributes, vespril);
    QCOMPARE(rotary->mMinGain.visible(), gains);
    QCOMPARE(rotary->mMaxGain.visible(), gains);
    QCOMPARE(rotary->mMinToInf.visible(), gains);
    QCOMPARE(rotary->mAudioTaper.visible(), taper);
    QCOMPARE(rotary->mDestChannelNumber.visible(), destination);
    if (vespril)
        QVERIFY(!rotary->mLevelType.visible());
}

QTEST_MAIN(tst_Rotary)
#include "tst_rotary.moc"
