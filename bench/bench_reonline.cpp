// One unit's reconnect bringing 1,000 mixer-bound level widgets back on line: the unit program (a
// separate process on the test network) is killed and started again holding new gains, and the
// time runs from the signed-in primary's connection coming back until every widget shows the
// unit's new gain, which reaches it only through a link made again at the unit. Beside it, in the
// same run, the first on-lining of the same 1,000 widgets: from the configuration going on line,
// with the primary already signed in, until every widget shows the unit's gain. Both report what
// they cost the unit per widget: name requests and link messages (inform-list additions and
// removals) it received, counted by the unit program itself once the runner is quiet.
//
// Argument: configured units the runner cannot reach (0 or 1); an unreachable unit is retried
// every 2 s while the primary is up.

#include "Common/Misc/NonLinearLookup.h"
#include "Quendle/AppCommon/ConnectionUnit.h"
#include "Quendle/AppCommon/PasswordHashing.h"
#include "Quendle/AppCommon/QuendleConfigClient.h"
#include "Quendle/Runner/RunnerConfig.h"
#include "Quendle/Runner/RunnerLayout.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "ZUNet/QT/NetworkStack.h"
#include "bench/BenchUnitProcess.h"
#include "tests/Quendle/Runner/RunnerTestApplication.h"
#include "tests/Quendle/Widgets/MixerTestLeaves.h"
#include "tests/support/quendle/QuendleUnit.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace
{

constexpr int kWidgets = 1000;
const QString kUnitAddress = QStringLiteral("127.0.0.2");
const QString kAbsentAddress = QStringLiteral("127.0.0.9"); // nobody listens there
using tClock = std::chrono::steady_clock;

double Seconds(tClock::time_point from, tClock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

/// The unit with a gain object per widget, every one at fader index `index`.
QJsonObject Description(int index)
{
    QJsonObject description = cQuendleUnit::DefaultDescription();
    QJsonObject keys = description.value(QStringLiteral("keys")).toObject();
    QJsonArray objects = description.value(QStringLiteral("objects")).toArray();
    for (int i = 0; i < kWidgets; ++i) {
        const QString name = QStringLiteral("Gain %1").arg(i);
        keys.insert(QStringLiteral("mainlevel/ip/%1").arg(i), QJsonArray { QJsonArray { name, 4096 } });
        objects.append(QJsonObject { { "name", name }, { "parameters", 1 }, { "size", 2 },
            { "value", int(cFaderLookup::kFaderLawTable[index]) } });
    }
    description.insert(QStringLiteral("keys"), keys);
    description.insert(QStringLiteral("objects"), objects);
    return description;
}

/// The runner's application, signing in to the primary again as the user did.
class cBenchApplication : public cRunnerTestApplication
{
public:
    void AuthenticatePrimaryUnit() override
    {
        cRunnerTestApplication::AuthenticatePrimaryUnit();
        mPrimary->ConfigClient()->Authenticate(Quendle::GetHashedString("Alice"), Quendle::GetHashedPassword("wonder"));
    }
};

/// A runner configuration with one page of `kWidgets` level widgets bound to the primary's record.
struct sRunner {
    std::unique_ptr<cRunnerConfig> mConfig;
    std::vector<cTestLevelWidget*> mWidgets;

    sRunner(cBenchApplication& application, int absentUnits)
    {
        mConfig = std::make_unique<cRunnerConfig>(nullptr, &application, &application);
        application.mImages = mConfig.get();
        QByteArray document = "<QuendleConfig version=\"1.3.1\"><Units><Unit id=\"1\" nameOrIpAddress=\""
            + kUnitAddress.toUtf8() + "\" type=\"tarvo\" primaryUnit=\"1\"/>";
        if (absentUnits > 0)
            document += "<Unit id=\"2\" nameOrIpAddress=\"" + kAbsentAddress.toUtf8()
                + "\" type=\"tarvo\" primaryUnit=\"0\"/>";
        document += "</Units><Layouts/></QuendleConfig>";
        QBuffer buffer(&document);
        buffer.open(QIODevice::ReadOnly);
        if (!mConfig->ReadXml(buffer))
            std::fprintf(stderr, "configuration refused\n");
        auto* layout = new cRunnerLayout(mConfig.get());
        mConfig->layouts()->append(layout);
        for (int i = 0; i < kWidgets; ++i) {
            auto* widget = new cTestLevelWidget(i + 1, layout, *mConfig);
            widget->Init();
            QXmlStreamReader reader(QStringLiteral("<Widget id=\"%1\" type=\"t\" unitId=\"1\" levelType=\"mainlevel\" "
                                                   "channelType=\"ip\" channelNumber=\"%2\"/>")
                                        .arg(i + 1)
                                        .arg(i + 1));
            reader.readNextStartElement();
            widget->LoadAttributes(reader);
            layout->AddWidget(widget);
            mWidgets.push_back(widget);
        }
    }
    // The primary belongs to the application and stays signed in.
    ~sRunner() { mConfig.reset(); }

    bool AllShow(double position) const
    {
        for (const cTestLevelWidget* widget : mWidgets) {
            if (!widget->IsOnline() || widget->position() != position)
                return false;
        }
        return true;
    }
    bool AllOffline() const
    {
        for (const cTestLevelWidget* widget : mWidgets) {
            if (widget->IsOnline())
                return false;
        }
        return true;
    }
};

bool WaitFor(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

/// Lets the runner finish what it started: the system builder idle and nothing new for 2.5 s,
/// longer than a retry, so late repeats are counted too.
void Settle()
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 2500 || gSystemBuilder->IsBusy() || SyscallGetNumberOfMessagesInBuffer() > 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

struct sWorld {
    std::unique_ptr<cNetworkStack> mStack;
    QTemporaryDir mDir;
    std::unique_ptr<cQuendleUnit> mUnit;
    std::unique_ptr<cBenchApplication> mApplication;
    /// Held by the application: a list model adopts an item without a parent.
    cConnectionUnit* mPrimary = nullptr;
    int mIndex = 40;

    sWorld()
    {
        mStack = std::make_unique<cNetworkStack>(cNetworkStack::SystemBuilder | cNetworkStack::SyscallThread);
        mStack->Start();
        mApplication = std::make_unique<cBenchApplication>();
        StartUnit();
        mPrimary = new cConnectionUnit(mApplication.get(), kUnitAddress, QStringLiteral("tarvo"), nullptr);
        mApplication->mPrimary = mPrimary;
        mPrimary->ConnectToUnit(nullptr);
        if (!WaitFor([&] { return mPrimary->connected(); }, 15000))
            std::fprintf(stderr, "primary not connected\n");
        mPrimary->ConfigClient()->Authenticate(Quendle::GetHashedString("Alice"), Quendle::GetHashedPassword("wonder"));
        if (!WaitFor([&] { return mPrimary->authenticated(); }, 10000))
            std::fprintf(stderr, "primary not signed in\n");
    }
    ~sWorld()
    {
        mPrimary->disconnectFromUnit();
        mApplication->mPrimary = nullptr;
        mUnit.reset();
        mStack->Stop();
        mApplication.reset();
        mStack.reset();
    }

    /// A new unit program holding gains at the next fader index.
    bool StartUnit()
    {
        mIndex = mIndex >= 200 ? 40 : mIndex + 1;
        mUnit = std::make_unique<cQuendleUnit>();
        return mUnit->Start(kUnitAddress, mDir.filePath(QStringLiteral("none.xml")), {}, Description(mIndex));
    }
    double Position() const { return mIndex / 255.0; }

    /// What the unit program has received: name requests and link messages.
    std::pair<int, int> Received()
    {
        if (!mUnit->Command(QStringLiteral("received")))
            return { -1, -1 };
        static const QRegularExpression pattern(QStringLiteral("unit: received names (\\d+) links (\\d+)"));
        const QStringList lines = mUnit->Lines();
        for (int i = lines.size() - 1; i >= 0; --i) {
            const QRegularExpressionMatch match = pattern.match(lines.at(i));
            if (match.hasMatch())
                return { match.captured(1).toInt(), match.captured(2).toInt() };
        }
        return { -1, -1 };
    }
};

std::unique_ptr<sWorld> gWorld;

sWorld& World()
{
    if (!gWorld)
        gWorld = std::make_unique<sWorld>();
    return *gWorld;
}

void BM_ReconnectBringsWidgetsBack(benchmark::State& state)
{
    sWorld& world = World();
    sRunner runner(*world.mApplication, int(state.range(0)));
    runner.mConfig->setOnline();
    if (!WaitFor([&] { return runner.AllShow(world.Position()); }, 60000)) {
        state.SkipWithError("widgets not on line at first");
        return;
    }
    Settle();

    double fromRestart = 0;
    double names = 0;
    double links = 0;
    for (auto _ : state) {
        state.PauseTiming();
        world.mUnit->Kill();
        if (!WaitFor([&] { return runner.AllOffline(); }, 20000)) {
            state.SkipWithError("widgets stayed on line without their unit");
            break;
        }
        tClock::time_point back {};
        QMetaObject::Connection watch = QObject::connect(world.mPrimary, &cConnectionUnit::connectedChanged, [&] {
            if (world.mPrimary->connected() && back == tClock::time_point {})
                back = tClock::now();
        });
        const tClock::time_point restart = tClock::now();
        if (!world.StartUnit()) {
            state.SkipWithError("unit did not start again");
            break;
        }
        state.ResumeTiming();
        const bool online = WaitFor([&] { return runner.AllShow(world.Position()); }, 60000);
        const tClock::time_point done = tClock::now();
        QObject::disconnect(watch);
        if (!online || back == tClock::time_point {}) {
            state.SkipWithError("widgets not back on line");
            break;
        }
        state.SetIterationTime(Seconds(back, done));
        fromRestart += Seconds(restart, done);
        Settle();
        // A new unit program: everything it counted is this reconnect's.
        const auto received = world.Received();
        names += received.first;
        links += received.second;
    }
    const double rounds = double(state.iterations());
    state.counters["from_restart_ms"] = rounds > 0 ? 1000 * fromRestart / rounds : 0;
    state.counters["name_requests_per_widget"] = rounds > 0 ? names / rounds / kWidgets : 0;
    state.counters["link_messages_per_widget"] = rounds > 0 ? links / rounds / kWidgets : 0;
}
BENCHMARK(BM_ReconnectBringsWidgetsBack)->Arg(0)->Arg(1)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_BaselineFirstOnLining(benchmark::State& state)
{
    sWorld& world = World();
    double names = 0;
    double links = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto runner = std::make_unique<sRunner>(*world.mApplication, int(state.range(0)));
        const auto before = world.Received();
        state.ResumeTiming();
        const tClock::time_point start = tClock::now();
        runner->mConfig->setOnline();
        const bool online = WaitFor([&] { return runner->AllShow(world.Position()); }, 60000);
        const tClock::time_point done = tClock::now();
        if (!online) {
            state.SkipWithError("widgets not on line");
            break;
        }
        state.SetIterationTime(Seconds(start, done));
        state.PauseTiming();
        Settle();
        const auto after = world.Received();
        names += after.first - before.first;
        links += after.second - before.second;
        // Taken off line with the page, as a configuration replaced by another.
        runner.reset();
        Settle();
        state.ResumeTiming();
    }
    const double rounds = double(state.iterations());
    state.counters["name_requests_per_widget"] = rounds > 0 ? names / rounds / kWidgets : 0;
    state.counters["link_messages_per_widget"] = rounds > 0 ? links / rounds / kWidgets : 0;
}
BENCHMARK(BM_BaselineFirstOnLining)->Arg(0)->Arg(1)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    RunInTestNamespace(argc, argv);
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gWorld.reset(); // the network stops while the application object still lives
    return 0;
}
