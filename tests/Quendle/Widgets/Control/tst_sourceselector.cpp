// The source selector of both families on the real registry and system builder, the unit's source
// objects standing in as one local object: request keys, the per-source drivers and items that
// follow the number of sources, their links, names and colours, the current source written once,
// short and failed answers, attributes and demo mode.
#include "Quendle/AppCommon/SourceInfo.h"
#include "Quendle/Drivers/ValueDrivers.h"
#include "Quendle/Widgets/Control/SourceSelectorWidgetTarvo.h"
#include "Quendle/Widgets/Control/SourceSelectorWidgetVespril.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "tests/support/Connections.h"
#include "tests/support/quendle/TestConfig.h"
#include "tests/support/quendle/UnitObjectKit.h"
#include "tests/support/quendle/WidgetTestKit.h"

#include <QtTest>

#include <atomic>
#include <memory>
#include <set>

namespace
{

using WidgetTest::WaitForBuilder;

/// The unit's source-selector objects as one object with enough parameters; counts what it is sent.
class cSourcesObject : public cNetObject
{
public:
    explicit cSourcesObject(const char* name)
        : cNetObject(name, 32)
    {
    }
    ~cSourcesObject() override { Unregister(); }
    void EntrypointMessage(cZUNetMessage&) override { ++mMessages; }
    void UpdateNewObject(UWORD, UWORD, UWORD, UWORD) override { }
    std::atomic<int> mMessages { 0 };
};

cZUNetWidget::tNamesAndParameters Pairs(const cSourcesObject& unit, int count = 4)
{
    cZUNetWidget::tNamesAndParameters pairs;
    const UWORD parameters[] = { PARAMETER_BASE, PARAMETER_BASE + 1, PARAMETER_BASE + 2, PARAMETER_BASE + 12 };
    for (int i = 0; i < count; ++i)
        pairs.emplace_back(unit.GetName(), parameters[i]);
    return pairs;
}

QStringList Names(const cZUNetSourceSelectorWidget& selector)
{
    QStringList names;
    for (int i = 0; i < selector.SourceList()->count(); ++i)
        names << selector.SourceList()->at(i)->sourceName() + '/' + selector.SourceList()->at(i)->sourceColour();
    return names;
}

} // namespace

class tst_SourceSelector : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void requestKeys_data();
    void requestKeys();
    void sourcesFollowTheirNumber();
    void twoSelectorsShareNoName();
    void currentSourceSentOnce();
    void answersThatCannotBind_data();
    void answersThatCannotBind();
    void attributes_data();
    void attributes();
    void demoMode();

private:
    std::unique_ptr<cZUNetSourceSelectorWidget> Make(const QString& attributes, bool vespril = false, int id = 1);

    cStartedNetwork mNetwork;
    std::unique_ptr<cTestApplication> mApplication;
    std::unique_ptr<cTestConfig> mConfig;
};

void tst_SourceSelector::initTestCase()
{
    mApplication = std::make_unique<cTestApplication>();
    mConfig = std::make_unique<cTestConfig>(mApplication.get());
}

void tst_SourceSelector::cleanupTestCase()
{
    mConfig.reset();
    mApplication.reset();
}

std::unique_ptr<cZUNetSourceSelectorWidget> tst_SourceSelector::Make(const QString& attributes, bool vespril, int id)
{
    const QString element = QStringLiteral("<Widget id=\"%1\" type=\"s\" %2/>").arg(id).arg(attributes);
    if (vespril)
        return WidgetTest::Make<cZUNetSourceSelectorWidgetVespril>(element, id, nullptr, *mConfig);
    return WidgetTest::Make<cZUNetSourceSelectorWidgetTarvo>(element, id, nullptr, *mConfig);
}

void tst_SourceSelector::requestKeys_data()
{
    QTest::addColumn<bool>("vespril");
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<QString>("key");

    QTest::newRow("first") << false << ""
                           << "sourcesel/0";
    QTest::newRow("last") << false << "sourceNumber=\"100\""
                          << "sourcesel/99";
    QTest::newRow("zero, stored as it is") << false << "sourceNumber=\"0\""
                                           << "sourcesel/-1";
    QTest::newRow("not a number") << false << "sourceNumber=\"two\""
                                  << "sourcesel/-1";
    QTest::newRow("second family, zone") << true << "sourceNumber=\"3\" selectorType=\"zone\""
                                         << "sourcesel/2";
    QTest::newRow("second family, unknown type") << true << "selectorType=\"room\""
                                                 << "sourcesel/0";
}

void tst_SourceSelector::requestKeys()
{
    QFETCH(bool, vespril);
    QFETCH(QString, attributes);
    QFETCH(QString, key);
    auto selector = Make(attributes, vespril);
    QCOMPARE(QString::fromStdString(selector->RequestKey()), key);
    QCOMPARE(selector->GetAllObjectRequestRegExps().size(), std::size_t(vespril ? 2 : 1));
    QCOMPARE(selector->Type(), vespril ? QStringLiteral("vsp_zunet_source_sel") : QStringLiteral("zunet_source_sel"));
}

// 0 to 3 makes three driver pairs and three empty items, each pair linked; names and colours fill in;
// 5 to 2 keeps the first two items and their links; an equal count changes nothing.
void tst_SourceSelector::sourcesFollowTheirNumber()
{
    cSourcesObject unit("unit sources");
    auto selector = Make(QString());
    selector->SetOnline();
    selector->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, Pairs(unit));
    QVERIFY(selector->NumberOfSourcesDriver() && selector->CurrentSourceDriver());
    QCOMPARE(selector->Links().size(), std::size_t(2));
    QCOMPARE(selector->SourceList()->count(), 0);

    QSignalSpy inserted(selector->SourceList(), &QAbstractItemModel::rowsInserted);
    selector->NumberOfSourcesDriver()->SetValue(3);
    QCOMPARE(selector->SourceDriverCount(), 3);
    QCOMPARE(selector->SourceList()->count(), 3);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(selector->Links().size(), std::size_t(2 + 6));
    const QString first = QString::fromLatin1(selector->NameDriver(0)->GetName());
    QVERIFY2(first.startsWith("zunet_source_sel source name ") && first.endsWith(" 1"), qPrintable(first));
    const int n = first.section(' ', 3, 3).toInt();
    QCOMPARE(QString::fromLatin1(selector->ColourDriver(2)->GetName()),
        QStringLiteral("zunet_source_sel source colour %1 1").arg(n + 2));
    // Parameters: the first name's plus the source's index, the first colour's likewise.
    const auto& links = selector->Links();
    QCOMPARE(std::count_if(links.begin(), links.end(),
                 [](const cZUNetWidget::sLink& link) {
                     return link.mSourceParameter == PARAMETER_BASE + 14 && !link.mBidirect && link.mSync;
                 }),
        1);
    WaitForBuilder();
    QVERIFY(!selector->disabled());

    selector->NameDriver(0)->SetValue("TV");
    selector->ColourDriver(0)->SetValue(4);
    selector->ColourDriver(1)->SetValue(9);
    QCOMPARE(Names(*selector), QStringList({ "TV/blue", "/darkgrey", "/" }));

    selector->NumberOfSourcesDriver()->SetValue(5);
    cSourceInfo* kept = selector->SourceList()->at(1);
    selector->NumberOfSourcesDriver()->SetValue(2);
    QCOMPARE(selector->SourceDriverCount(), 2);
    QCOMPARE(selector->SourceList()->at(1), kept);
    QCOMPARE(Names(*selector), QStringList({ "TV/blue", "/darkgrey" }));
    QCOMPARE(selector->Links().size(), std::size_t(2 + 4));
    WaitForBuilder();
    QVERIFY(!selector->disabled());
    selector->SetOffline();
    QCOMPARE(selector->currentSourceIndex(), -1);
    WaitForBuilder();
}

// Per-source driver names come from one counter for the whole process.
void tst_SourceSelector::twoSelectorsShareNoName()
{
    cSourcesObject unit("unit sources two");
    auto one = Make(QString(), false, 7);
    auto two = Make(QString(), false, 7);
    std::set<std::string> names;
    for (auto* selector : { one.get(), two.get() }) {
        selector->SetOnline();
        selector->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, Pairs(unit));
        selector->NumberOfSourcesDriver()->SetValue(2);
        for (int i = 0; i < 2; ++i) {
            names.insert(selector->NameDriver(i)->GetName());
            names.insert(selector->ColourDriver(i)->GetName());
        }
        names.insert(selector->NumberOfSourcesDriver()->GetName());
        names.insert(selector->CurrentSourceDriver()->GetName());
    }
    QCOMPARE(names.size(), std::size_t(12));
    one->SetOffline();
    two->SetOffline();
    WaitForBuilder();
}

// Without a driver nothing is written; with one, a choice reaches the unit once, and only a change.
void tst_SourceSelector::currentSourceSentOnce()
{
    cSourcesObject unit("unit sources current");
    auto selector = Make(QString());
    QCOMPARE(selector->currentSourceIndex(), -1);
    selector->setProperty("currentSourceIndex", 2);
    QCOMPARE(selector->currentSourceIndex(), -1);
    selector->SetOnline();
    selector->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, Pairs(unit));
    WaitForBuilder();
    QCOMPARE(selector->currentSourceIndex(), 0);
    QSignalSpy changed(selector.get(), &cZUNetSourceSelectorWidget::currentSourceIndexChanged);
    const int before = unit.mMessages;
    selector->setProperty("currentSourceIndex", 2);
    selector->setProperty("currentSourceIndex", 2);
    selector->setProperty("currentSourceIndex", 300);
    selector->setProperty("currentSourceIndex", -1);
    QCOMPARE(selector->currentSourceIndex(), 2);
    QCOMPARE(changed.count(), 1);
    QTRY_COMPARE(unit.mMessages.load(), before + 1);
    QTest::qWait(20);
    QCOMPARE(unit.mMessages.load(), before + 1);
    selector->SetOffline();
    WaitForBuilder();
}

void tst_SourceSelector::answersThatCannotBind_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("pairs");

    QTest::newRow("failed") << 2 << 4;
    QTest::newRow("three pairs") << 0 << 3;
    QTest::newRow("one pair") << 0 << 1;
    QTest::newRow("none") << 0 << 0;
}

// A failed answer, or one without all four pairs, disables the widget and empties its list (no read
// past the answer's end), whatever it held before.
void tst_SourceSelector::answersThatCannotBind()
{
    QFETCH(int, status);
    QFETCH(int, pairs);
    cSourcesObject unit("unit sources short");
    auto selector = Make(QString());
    selector->SetOnline();
    selector->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, Pairs(unit));
    selector->NumberOfSourcesDriver()->SetValue(3);
    selector->NetObjectNamesAndParametersReceived(Quendle::eRequestNameParamStatusCode(status), Pairs(unit, pairs));
    QVERIFY(selector->disabled());
    QVERIFY(!selector->NumberOfSourcesDriver() && !selector->CurrentSourceDriver());
    QCOMPARE(selector->SourceList()->count(), 0);
    QCOMPARE(selector->SourceDriverCount(), 0);
    QVERIFY(selector->Links().empty());
    QCOMPARE(selector->currentSourceIndex(), -1);
    QVERIFY(selector->NamesAndParameters().empty());
    selector->SetOffline();
    WaitForBuilder();
}

void tst_SourceSelector::attributes_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<int>("arrowStyle");
    QTest::addColumn<bool>("swipeBox");
    QTest::addColumn<bool>("customBackground");

    QTest::newRow("defaults") << "" << 0 << true << false;
    QTest::newRow("arrows shown") << "showArrows=\"on\"" << 0 << true << false;
    QTest::newRow("arrows hidden") << "showArrows=\"no\"" << 2 << true << false;
    QTest::newRow("later style wins") << "showArrows=\"on\" arrowStyle=\"contrast\"" << 1 << true << false;
    QTest::newRow("later arrows win") << "arrowStyle=\"contrast\" showArrows=\"on\"" << 0 << true << false;
    QTest::newRow("unknown codes") << "arrowStyle=\"fancy\" controlType=\"wheel\"" << 0 << true << false;
    QTest::newRow("combo box") << "controlType=\"combobox\"" << 0 << false << false;
    QTest::newRow("default background") << "offImageResourceId=\"default_source_selector_background_0\"" << 0 << true
                                        << false;
    QTest::newRow("own background") << "offImageResourceId=\"panel_3\"" << 0 << true << true;
}

void tst_SourceSelector::attributes()
{
    QFETCH(QString, attributes);
    QFETCH(int, arrowStyle);
    QFETCH(bool, swipeBox);
    QFETCH(bool, customBackground);
    auto selector = Make(attributes);
    QCOMPARE(selector->arrowStyleComboIndex(), arrowStyle);
    QCOMPARE(selector->isSwipeBox(), swipeBox);
    QCOMPARE(selector->useCustomBackground(), customBackground);
    QCOMPARE(selector->mConfirmText.visible(), swipeBox);
    QCOMPARE(selector->mItemColour.visible(), !swipeBox);
    QVERIFY(WidgetTest::RoundTripDifferences(*selector, *Make(QString())).isEmpty());
}

void tst_SourceSelector::demoMode()
{
    auto selector = Make(QString(), true);
    selector->SetWidgetToDemoMode();
    QCOMPARE(Names(*selector), QStringList({ "TV/blue", "CD/cyan", "Stream/yellow", "Mic/red" }));
    QCOMPARE(selector->currentSourceIndex(), -1);
}

QTEST_MAIN(tst_SourceSelector)
#include "tst_sourceselector.moc"
