// The fader of both families on the real registry and system builder, the unit's gain standing in as
// a local object: the scale for every law and gain range (extreme layout gains included), the law
// both ways, what QML may write, "no value yet" after binding and binding again, request keys and
// the expressions that match them.
#include "Common/Misc/NonLinearLookup.h"
#include "Quendle/Drivers/ValueDrivers.h"
#include "Quendle/Widgets/Control/FaderWidgetTarvo.h"
#include "Quendle/Widgets/Control/FaderWidgetVespril.h"
#include "ZUNet/Core/RegistryRouter.h"
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

/// "label@ratio" per mark, in list order, ratios to four places.
QStringList Marks(const cZUNetFaderWidget& fader)
{
    QStringList marks;
    for (int i = 0; i < fader.ScaleList()->count(); ++i) {
        const cFaderScaleObject* mark = fader.ScaleList()->at(i);
        marks << mark->label() + QLatin1Char('@') + QString::number(mark->ratio(), 'f', 4);
    }
    return marks;
}

QString Ratio(double ratio)
{
    return QString::number(ratio, 'f', 4);
}

const QString kInf = QStringLiteral("\u221E");

} // namespace

class tst_Fader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void newFader();
    void scale_data();
    void scale();
    void minToInfRelabelsTheBottomMark();
    void positionToCode_data();
    void positionToCode();
    void codeToPosition_data();
    void codeToPosition();
    void qmlInputIsBounded();
    void noJumpBeforeTheUnitsValue();
    void followsTheUnitBothWays();
    void requestKeys_data();
    void requestKeys();
    void requestExpressions();

private:
    std::unique_ptr<cZUNetFaderWidget> Make(const QString& attributes, bool vespril = false, int id = 1);

    cStartedNetwork mNetwork;
    std::unique_ptr<cTestApplication> mApplication;
    std::unique_ptr<cTestConfig> mConfig;
};

void tst_Fader::initTestCase()
{
    mApplication = std::make_unique<cTestApplication>();
    mConfig = std::make_unique<cTestConfig>(mApplication.get());
}

void tst_Fader::cleanupTestCase()
{
    mConfig.reset();
    mApplication.reset();
}

std::unique_ptr<cZUNetFaderWidget> tst_Fader::Make(const QString& attributes, bool vespril, int id)
{
    const QString element = QStringLiteral("<Widget id=\"%1\" type=\"f\" %2/>").arg(id).arg(attributes);
    if (vespril)
        return WidgetTest::Make<cZUNetFaderWidgetVespril>(element, id, nullptr, *mConfig);
    return WidgetTest::Make<cZUNetFaderWidgetTarvo>(element, id, nullptr, *mConfig);
}

// Before any attribute: scale on, upright, the taper's marks, the knob at 0 dB, and a driver still
// without a value (nothing false is shown or sent).
void tst_Fader::newFader()
{
    cZUNetFaderWidgetTarvo fader(1, nullptr, *mConfig);
    QCOMPARE(fader.ScaleList()->count(), 9);
    fader.Init();
    QVERIFY(fader.showFaderScale());
    QCOMPARE(fader.orientation(), QStringLiteral("vertical"));
    QCOMPARE(fader.value(), 196 / 255.0);
    QVERIFY(!fader.LevelDriver()->HasValue());
    QCOMPARE(fader.imageControlIdentifier(), QStringLiteral("default_fader_control_0"));
    QCOMPARE(fader.imageBackgroundIdentifier(), QStringLiteral("default_gen_fader_0"));
    QCOMPARE(fader.Type(), QStringLiteral("zunet_fader"));
    QCOMPARE(cZUNetFaderWidgetVespril(2, nullptr, *mConfig).Type(), QStringLiteral("vsp_zunet_fader"));

    auto loaded = Make(QStringLiteral("showFaderScale=\"off\" orientation=\"horizontal\""));
    QVERIFY(!loaded->showFaderScale());
    QCOMPARE(loaded->orientation(), QStringLiteral("horizontal"));
    QVERIFY(WidgetTest::RoundTripDifferences(*loaded, *Make(QString())).isEmpty());
}

void tst_Fader::scale_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<QStringList>("marks");

    const QStringList taper { "10@1.0000", "5@" + Ratio(231 / 255.0), "0@" + Ratio(196 / 255.0),
        "5@" + Ratio(157 / 255.0), "10@" + Ratio(124 / 255.0), "20@" + Ratio(93 / 255.0), "30@" + Ratio(62 / 255.0),
        "40@" + Ratio(31 / 255.0), kInf + "@0.0000" };
    QTest::newRow("audio taper, gains ignored") << "minGain=\"-10\" maxGain=\"0\" minToInf=\"off\"" << taper;

    QStringList wide { "0@" + Ratio(128 / 138.0) };
    for (int db = -20; db > -128; db -= 20)
        wide << QString::number(-db) + "@" + Ratio((db + 128) / 138.0);
    QTest::newRow("-128..10, step 20") << "audioTaper=\"off\" minGain=\"-128\" maxGain=\"10\" minToInf=\"off\""
                                       << (wide + QStringList { "10@1.0000", "128@0.0000" });
    QTest::newRow("-128..10, bottom at minus infinity")
        << "audioTaper=\"off\" minGain=\"-128\" maxGain=\"10\" minToInf=\"on\""
        << (wide + QStringList { "10@1.0000", kInf + "@0.0000" });

    QStringList sixty;
    for (int db = -10; db > -60; db -= 10)
        sixty << QString::number(-db) + "@" + Ratio((db + 60) / 60.0);
    QTest::newRow("-60..0, step 10") << "audioTaper=\"off\" minGain=\"-60\" maxGain=\"0\""
                                     << (sixty + QStringList { "0@1.0000", "60@0.0000" });
    QTest::newRow("-10..10, step 3") << "audioTaper=\"off\" minGain=\"-10\" maxGain=\"10\""
                                     << QStringList { "0@0.5000", "3@0.6500", "6@0.8000", "9@0.9500", "3@0.3500",
                                            "6@0.2000", "9@0.0500", "10@1.0000", "10@0.0000" };
    QStringList zeroToTen;
    for (int db = 1; db < 10; ++db)
        zeroToTen << QString::number(db) + "@" + Ratio(db / 10.0);
    QTest::newRow("0..10, step 1") << "audioTaper=\"off\" minGain=\"0\" maxGain=\"10\""
                                   << (zeroToTen + QStringList { "10@1.0000", "0@0.0000" });
    QTest::newRow("equal gains") << "audioTaper=\"off\" minGain=\"5\" maxGain=\"5\""
                                 << QStringList { "5@1.0000", "5@0.0000" };
    // Integers a layout may hold: clamped before any arithmetic, so no overflow and no endless list.
    QTest::newRow("extreme gains clamped")
        << "audioTaper=\"off\" minGain=\"-2147483648\" maxGain=\"2147483647\" minToInf=\"off\""
        << (wide + QStringList { "10@1.0000", "128@0.0000" });
    QTest::newRow("extreme gains the other way") << "audioTaper=\"off\" minGain=\"2147483647\" maxGain=\"-2147483648\""
                                                 << QStringList { "128@1.0000", "10@0.0000" };
}

// The scale for each law and range, in list order: interior marks, the top, then the bottom.
void tst_Fader::scale()
{
    QFETCH(QString, attributes);
    QFETCH(QStringList, marks);
    auto fader = Make(attributes);
    QCOMPARE(Marks(*fader), marks);
}

// Min = -Inf renames only the last mark; gains and law rebuild the list as they change.
void tst_Fader::minToInfRelabelsTheBottomMark()
{
    auto fader = Make(QStringLiteral("audioTaper=\"off\" minGain=\"-60\" maxGain=\"0\" minToInf=\"off\""));
    const QStringList before = Marks(*fader);
    QSignalSpy reset(fader->ScaleList(), &QAbstractItemModel::modelReset);
    QSignalSpy removed(fader->ScaleList(), &QAbstractItemModel::rowsRemoved);
    fader->mMinToInf.setIntValue(0);
    QStringList after = before;
    after.last() = kInf + "@0.0000";
    QCOMPARE(Marks(*fader), after);
    QCOMPARE(removed.count() + reset.count(), 0);
    // -10..0: step 1, marks 1 to 9 below the top.
    fader->mMinGain.SetIntValue(-10);
    QCOMPARE(fader->ScaleList()->count(), 11);
    QCOMPARE(Marks(*fader).last(), kInf + "@0.0000");
    fader->mAudioTaper.setIntValue(0);
    QCOMPARE(fader->ScaleList()->count(), 9);
}

void tst_Fader::positionToCode_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<double>("position");
    QTest::addColumn<int>("code");

    QTest::newRow("taper, top") << "" << 1.0 << 0x8A00;
    QTest::newRow("taper, bottom") << "" << 0.0 << 0;
    QTest::newRow("taper, middle") << "" << 0.5 << int(cFaderLookup::kFaderLawTable[127]);
    const QString linear = QStringLiteral("audioTaper=\"off\" minGain=\"-40\" maxGain=\"10\" ");
    QTest::newRow("linear, bottom") << linear + "minToInf=\"off\"" << 0.0 << 0x5800;
    QTest::newRow("linear, bottom is minus infinity") << linear + "minToInf=\"on\"" << 0.0 << 0;
    QTest::newRow("linear, a hair above the bottom") << linear + "minToInf=\"on\"" << 0.0001 << 0x5801;
    QTest::newRow("linear, top") << linear << 1.0 << 0x8A00;
    QTest::newRow("linear, middle is -15 dB") << linear << 0.5 << int(std::trunc(-15 * 256.0 + 32768));
    QTest::newRow("linear, equal gains") << "audioTaper=\"off\" minGain=\"5\" maxGain=\"5\"" << 0.5 << 0x8500;
    QTest::newRow("linear, extreme gains clamped")
        << "audioTaper=\"off\" minGain=\"-2147483648\" maxGain=\"2147483647\" minToInf=\"off\"" << 1.0 << 0x8A00;
}

// A position written by QML becomes this code at the driver, and the value is the exact position.
void tst_Fader::positionToCode()
{
    QFETCH(QString, attributes);
    QFETCH(double, position);
    QFETCH(int, code);
    auto fader = Make(attributes);
    fader->setValue(position);
    QCOMPARE(int(fader->LevelDriver()->Value()), code);
    QCOMPARE(fader->value(), position);
}

void tst_Fader::codeToPosition_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("position");

    QTest::newRow("taper, minus infinity") << "" << 0 << 0.0;
    QTest::newRow("taper, 0 dB") << "" << 0x8000 << 196 / 255.0;
    QTest::newRow("taper, +10 dB") << "" << 0x8A00 << 1.0;
    QTest::newRow("taper, above the table") << "" << 0xFFFE << 1.0;
    QTest::newRow("taper, between rows") << "" << 0x8001 << 197 / 255.0;
    const QString linear = QStringLiteral("audioTaper=\"off\" minGain=\"-40\" maxGain=\"10\" ");
    QTest::newRow("linear, -40 dB") << linear << 0x5800 << 0.0;
    QTest::newRow("linear, minus infinity") << linear << 0 << 0.0;
    QTest::newRow("linear, +10 dB") << linear << 0x8A00 << 1.0;
    QTest::newRow("linear, above the top") << linear << 0xF000 << 1.0;
    QTest::newRow("linear, -15 dB") << linear << int(-15 * 256 + 32768) << 0.5;
    // No division by zero: below the one gain is the bottom, from it up the top.
    const QString equal = QStringLiteral("audioTaper=\"off\" minGain=\"5\" maxGain=\"5\"");
    QTest::newRow("equal gains, below") << equal << 0x84FF << 0.0;
    QTest::newRow("equal gains, at") << equal << 0x8500 << 1.0;
    QTest::newRow("equal gains, minus infinity") << equal << 0 << 0.0;
}

// The unit's code moves the knob to this position.
void tst_Fader::codeToPosition()
{
    QFETCH(QString, attributes);
    QFETCH(int, code);
    QFETCH(double, position);
    auto fader = Make(attributes);
    QSignalSpy changed(fader.get(), &cZUNetFaderWidget::valueChanged);
    fader->LevelDriver()->SetValue(UWORD(code));
    QCOMPARE(fader->value(), position);
    QVERIFY(std::isfinite(fader->value()));
    QCOMPARE(changed.count(), position == 196 / 255.0 ? 0 : 1);
}

// What QML writes is clamped to 0..1; what is not a number is ignored; the same position twice
// changes nothing the second time.
void tst_Fader::qmlInputIsBounded()
{
    auto fader = Make(QString());
    QSignalSpy changed(fader.get(), &cZUNetFaderWidget::valueChanged);
    fader->setProperty("value", 1.004);
    QCOMPARE(fader->value(), 1.0);
    QCOMPARE(int(fader->LevelDriver()->Value()), 0x8A00);
    fader->setProperty("value", -0.5);
    QCOMPARE(fader->value(), 0.0);
    QCOMPARE(int(fader->LevelDriver()->Value()), 0);
    for (double bad : { std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
             -std::numeric_limits<double>::infinity() })
        fader->setValue(bad);
    QCOMPARE(fader->value(), 0.0);
    QCOMPARE(int(fader->LevelDriver()->Value()), 0);
    fader->setValue(0.0);
    QCOMPARE(changed.count(), 2);
}

// Bound to a unit gain that has sent nothing yet, and bound again after going off line: the knob
// stays where it was (no jump to the top from "no value yet") and nothing is written to the unit.
void tst_Fader::noJumpBeforeTheUnitsValue()
{
    cSilentObject silent("unit silent fader gain", 1);
    auto fader = Make(QString());
    QSignalSpy changed(fader.get(), &cZUNetFaderWidget::valueChanged);
    fader->SetOnline();
    fader->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { silent.GetName(), PARAMETER_BASE } });
    WaitForBuilder();
    QCOMPARE(fader->value(), 196 / 255.0);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(silent.Updates(), 0);

    cValueObject gain("unit fader gain", 1);
    gain.SetValue(0x5800);
    fader->SetOffline();
    fader->SetOnline();
    fader->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { gain.GetName(), PARAMETER_BASE } });
    QTRY_COMPARE(fader->value(), double(cFaderLookup().GetIndex(0x5800)) / 255.0);
    // The unit restarts: bound again to a gain with nothing yet, the knob keeps the last value.
    fader->SetOffline();
    fader->SetOnline();
    fader->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { silent.GetName(), PARAMETER_BASE } });
    WaitForBuilder();
    QCOMPARE(fader->value(), double(cFaderLookup().GetIndex(0x5800)) / 255.0);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(silent.Updates(), 0);
    fader->SetOffline();
    WaitForBuilder();
}

// Linked to the unit's gain: the unit's changes move the knob, the knob's moves reach the unit, and a
// move is not echoed back as a second change.
void tst_Fader::followsTheUnitBothWays()
{
    cValueObject gain("unit fader gain both ways", 1);
    gain.SetValue(0x8000);
    auto fader = Make(QStringLiteral("audioTaper=\"off\" minGain=\"-40\" maxGain=\"10\""));
    fader->SetOnline();
    fader->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { gain.GetName(), PARAMETER_BASE } });
    QTRY_COMPARE(fader->value(), 40 / 50.0);
    QSignalSpy changed(fader.get(), &cZUNetFaderWidget::valueChanged);
    fader->setValue(0.5);
    QTRY_COMPARE(int(gain.Value()), int(std::trunc(-15 * 256.0 + 32768)));
    QCOMPARE(changed.count(), 1);
    SyscallMessagesPollLock();
    gain.SetValue(0x8A00);
    SyscallMessagesPollUnLock();
    QTRY_COMPARE(fader->value(), 1.0);
    QCOMPARE(changed.count(), 2);
    fader->SetOffline();
    WaitForBuilder();
}

void tst_Fader::requestKeys_data()
{
    QTest::addColumn<bool>("vespril");
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<QString>("key");

    QTest::newRow("main level of the third input") << false << "channelType=\"ip\" channelNumber=\"3\""
                                                   << "mainlevel/ip/2";
    QTest::newRow("send level")
        << false
        << "levelType=\"sendlevel\" channelType=\"ip\" channelNumber=\"1\" destChannelType=\"aux\" "
           "destChannelNumber=\"4\""
        << "sendlevel/ip/0/aux/3";
    QTest::newRow("FX return") << false << "channelType=\"fxret\""
                               << "mainlevel/fxret/0";
    QTest::newRow("destination only for sends") << false << "destChannelType=\"aux\" destChannelNumber=\"4\""
                                                << "mainlevel/dca/0";
    QTest::newRow("code of the other family") << false << "channelType=\"zone\""
                                              << "mainlevel/dca/0";
    QTest::newRow("second family, crosspoint")
        << true
        << "channelType=\"zone\" levelType=\"sendlevel\" channelNumber=\"2\" destChannelType=\"zone\" "
           "destChannelNumber=\"5\""
        << "sendlevel/zone/1/zone/4";
    QTest::newRow("second family, code of the other") << true << "channelType=\"fxret\""
                                                      << "mainlevel/controlgrp/0";
    QTest::newRow("second family, level") << true << "channelType=\"ip\" channelNumber=\"1000\""
                                          << "mainlevel/ip/999";
}

// The key each fader asks for, and one expression of its family matches it whole.
void tst_Fader::requestKeys()
{
    QFETCH(bool, vespril);
    QFETCH(QString, attributes);
    QFETCH(QString, key);
    auto fader = Make(attributes, vespril);
    QCOMPARE(QString::fromStdString(fader->RequestKey()), key);
    int matching = 0;
    for (const std::string& expression : fader->GetAllObjectRequestRegExps())
        matching += std::regex_match(fader->RequestKey(), std::regex(expression)) ? 1 : 0;
    QCOMPARE(matching, 1);
}

// Each family's expressions in order: main levels per channel type, then sends with the destination
// varying fastest.
void tst_Fader::requestExpressions()
{
    const std::list<std::string> vespril = cZUNetFaderWidgetVespril::GetAllObjectRequestRegExpsStatic();
    QCOMPARE(vespril.size(), std::size_t(12));
    const std::vector<std::string> v(vespril.begin(), vespril.end());
    QCOMPARE(v[0], std::string("mainlevel/controlgrp/\\d+"));
    QCOMPARE(v[2], std::string("mainlevel/zone/\\d+"));
    QCOMPARE(v[3], std::string("sendlevel/controlgrp/\\d+/controlgrp/\\d+"));
    QCOMPARE(v[4], std::string("sendlevel/controlgrp/\\d+/ip/\\d+"));
    QCOMPARE(v[11], std::string("sendlevel/zone/\\d+/zone/\\d+"));
    const std::list<std::string> tarvo = cZUNetFaderWidgetTarvo::GetAllObjectRequestRegExpsStatic();
    QCOMPARE(tarvo.size(), std::size_t(156));
    const std::vector<std::string> t(tarvo.begin(), tarvo.end());
    QCOMPARE(t[0], std::string("mainlevel/dca/\\d+"));
    QCOMPARE(t[11], std::string("mainlevel/fxret/\\d+"));
    QCOMPARE(t[12], std::string("sendlevel/dca/\\d+/dca/\\d+"));
    QCOMPARE(t[155], std::string("sendlevel/fxret/\\d+/fxret/\\d+"));
}

QTEST_MAIN(tst_Fader)
#include "tst_fader.moc"
