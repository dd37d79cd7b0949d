// Download of a 20 MB runner configuration over loopback: the runner's configuration client in this
// process, the unit side (quendle_test_unit) in another; beside a raw TCP transfer of the same
// bytes from the same unit process (its plain file port), in the same run. The configuration is
// laid out so that the unit's filter passes every byte, so both transfers carry the same bytes.
// A second baseline also writes the raw transfer to a temporary file, as the client stores a
// download, and a third only stores the bytes, from memory, as the client does (a temporary file
// written a megabyte at a time): no download that keeps its bytes there can be faster. A third pair runs while another
// runner has asked for forty downloads and reads nothing: the download keeps its pace and the unit its memory. The
// benchmark runs itself inside the private test network namespace.

#include "Quendle/AppCommon/PasswordHashing.h"
#include "Quendle/AppCommon/RunnerQuendleConfigClient.h"
#include "Quendle/Global/ConfigManagerProtocol.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/QT/NetworkStack.h"
#include "bench/BenchUnitProcess.h"
#include "tests/support/quendle/NonReadingRunner.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <memory>
#include <mutex>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

constexpr quint16 kRawPort = 51401;
const char* const kUnitAddress = "127.0.0.2";
constexpr int kConfigBytes = 20 * 1000 * 1000;

cRunnerQuendleConfigClient* gClient = nullptr;
qint64 gUnitPid = 0;
std::atomic<int> gDownloads { 0 };
std::atomic<int> gFailures { 0 };
QByteArray gConfig;

QByteArray MakeConfig()
{
    const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QuendleConfig version=\"1.3.1\">\n"
                            "    <Layouts>\n"
                            "        <Layout name=\"Big\" allUsers=\"1\" desktop=\"1\" allScenes=\"1\">\n"
                            "            <Widget id=\"1\" type=\"image\" imageResourceId=\"1\"/>\n"
                            "            <Widget id=\"2\" type=\"image\" imageResourceId=\"2\"/>\n"
                            "        </Layout>\n"
                            "    </Layouts>\n"
                            "    <Resources>\n";
    const QByteArray tail = "    </Resources>\n</QuendleConfig>";
    const int perImage = (kConfigBytes - head.size() - tail.size()) / 2 - 64;
    QByteArray image(perImage * 3 / 4, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char((i * 2654435761u) >> 13);
    QByteArray config = head;
    for (int id = 1; id <= 2; ++id)
        config += "        <Resource id=\"" + QByteArray::number(id) + "\" type=\"png\" data=\"" + image.toBase64()
            + "\"/>\n";
    return config + tail;
}

/// Sleeps in the event loop until `done` holds; the client's signals wake it. (processEvents with
/// a time limit never sleeps: it would keep a core busy and slow the download it measures.)
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 60000)
{
    QDeadlineTimer deadline(timeoutMs);
    QTimer tick;
    tick.start(100);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

/// One plain TCP transfer of the stored file; with `toFile` each block is also written to a
/// temporary file, the storage the runner's client uses.
bool RawTransfer(std::vector<char>& buffer, bool toFile)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(kRawPort);
    ::inet_pton(AF_INET, kUnitAddress, &address.sin_addr);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return false;
    }
    std::unique_ptr<QTemporaryFile> file;
    if (toFile) {
        file = std::make_unique<QTemporaryFile>();
        file->open();
    }
    qint64 received = 0;
    ssize_t count;
    while ((count = ::read(fd, buffer.data(), buffer.size())) > 0) {
        received += count;
        if (file)
            file->write(buffer.data(), count);
    }
    ::close(fd);
    return received == gConfig.size();
}

bool ZUNetDownload()
{
    const int before = gDownloads.load() + gFailures.load();
    gClient->DownloadRunnerConfig(Quendle::Desktop, {});
    if (!WaitFor([&] { return gDownloads.load() + gFailures.load() > before; }) || gFailures.load() > 0)
        return false;
    std::unique_lock<std::mutex> locker(gClient->StorageMutex());
    const bool whole = gClient->ConfigDataTempFile()->size() == gConfig.size();
    locker.unlock();
    gClient->SetDownloadHasBeenProcessed();
    return whole;
}

/// The bytes stored as the runner's client stores a download: a new temporary file, written a
/// megabyte at a time and flushed, then removed.
bool StoreOnly()
{
    QTemporaryFile file;
    if (!file.open())
        return false;
    constexpr int kBlock = 1 << 20; // the client's write block
    for (int at = 0; at < gConfig.size(); at += kBlock) {
        const int length = std::min(kBlock, gConfig.size() - at);
        if (file.write(gConfig.constData() + at, length) != length)
            return false;
    }
    return file.flush();
}

/// Both processes' work so far: the benchmark's (with its threads that have ended) and the
/// unit's.
sProcessWork WorkOfBoth()
{
    timespec cpu {};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    const sProcessWork own { double(cpu.tv_sec) + double(cpu.tv_nsec) / 1e9, long(usage.ru_nvcsw) };
    const sProcessWork unit = WorkOfProcess(gUnitPid);
    return { own.mCpuSeconds + unit.mCpuSeconds, own.mSleeps + unit.mSleeps };
}

void Add(sProcessWork& sum, const sProcessWork& from, const sProcessWork& to)
{
    sum.mCpuSeconds += to.mCpuSeconds - from.mCpuSeconds;
    sum.mSleeps += to.mSleeps - from.mSleeps;
}

double Median(std::vector<double>& samples)
{
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : samples[samples.size() / 2];
}

/// Each iteration is one download, one raw transfer of the same bytes and their storing alone, so
/// all see the same machine load; the time reported is the three. The counters are the medians of
/// each.
void DownloadsBesideRawTcp(benchmark::State& state)
{
    std::vector<char> buffer(1 << 16);
    std::vector<double> zunet;
    std::vector<double> raw;
    std::vector<double> store;
    sProcessWork zunetWork;
    sProcessWork rawWork;
    for (auto _ : state) {
        const sProcessWork before = WorkOfBoth();
        auto start = std::chrono::steady_clock::now();
        if (!ZUNetDownload()) {
            state.SkipWithError("download failed or not byte-exact");
            return;
        }
        zunet.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        const sProcessWork between = WorkOfBoth();
        start = std::chrono::steady_clock::now();
        if (!RawTransfer(buffer, false)) {
            state.SkipWithError("raw transfer failed");
            return;
        }
        raw.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        const sProcessWork after = WorkOfBoth();
        Add(zunetWork, before, between);
        Add(rawWork, between, after);
        start = std::chrono::steady_clock::now();
        if (!StoreOnly()) {
            state.SkipWithError("storing failed");
            return;
        }
        store.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    const double megabytes = double(gConfig.size()) / 1e6;
    const double zunetRate = megabytes / Median(zunet);
    const double rawRate = megabytes / Median(raw);
    const double storeRate = megabytes / Median(store);
    state.counters["zunet_MB_per_s"] = zunetRate;
    state.counters["raw_MB_per_s"] = rawRate;
    state.counters["store_MB_per_s"] = storeRate;
    // Goal: at least 0.5.
    state.counters["throughput_ratio"] = zunetRate / rawRate;
    // The most any download stored as the runner stores it can reach.
    state.counters["store_ratio"] = storeRate / rawRate;
    // Where the time goes, whatever the load: processor time of both processes, and how often
    // their threads went to sleep, per transfer.
    const double count = double(state.iterations());
    state.counters["zunet_cpu_ms"] = 1000 * zunetWork.mCpuSeconds / count;
    state.counters["raw_cpu_ms"] = 1000 * rawWork.mCpuSeconds / count;
    state.counters["zunet_wakeups"] = double(zunetWork.mSleeps) / count;
    state.counters["raw_wakeups"] = double(rawWork.mSleeps) / count;
}

void BM_DownloadBesideRawTcp(benchmark::State& state)
{
    DownloadsBesideRawTcp(state);
}

/// The same pairs while a second runner, signed in, has asked for forty downloads and reads
/// nothing: its link fills and stays full. Besides the pace, the unit's resident memory before
/// that runner came and after the downloads.
void BM_DownloadWhileARunnerStopsReading(benchmark::State& state)
{
    const long before = MemoryOfProcess(gUnitPid);
    cNonReadingRunner stalled;
    if (!stalled.Connect(QString::fromLatin1(kUnitAddress)) || !stalled.SignIn("Alice", "wonder")
        || !stalled.RequestDownloads(40)) {
        state.SkipWithError("the stalled runner could not sign in");
        return;
    }
    WaitFor([] { return false; }, 300); // its link fills
    DownloadsBesideRawTcp(state);
    state.counters["unit_rss_before_kB"] = double(before);
    state.counters["unit_rss_after_kB"] = double(MemoryOfProcess(gUnitPid));
}

void BM_RawTcpTransferToTempFile(benchmark::State& state)
{
    std::vector<char> buffer(32000);
    for (auto _ : state) {
        if (!RawTransfer(buffer, true)) {
            state.SkipWithError("raw transfer failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * qint64(gConfig.size()));
}

BENCHMARK(BM_DownloadBesideRawTcp)->Unit(benchmark::kMillisecond)->Iterations(60)->UseRealTime();
// Well within the lost-comms time, after which the unit drops the stalled runner.
BENCHMARK(BM_DownloadWhileARunnerStopsReading)->Unit(benchmark::kMillisecond)->Iterations(40)->UseRealTime();
BENCHMARK(BM_RawTcpTransferToTempFile)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    RunInTestNamespace(argc, argv);
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    gConfig = MakeConfig();
    const QString configPath = dir.filePath(QStringLiteral("config.xml"));
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly) || config.write(gConfig) != gConfig.size())
        return 2;
    config.close();
    const QString descriptionPath = dir.filePath(QStringLiteral("unit.json"));
    QFile description(descriptionPath);
    description.open(QIODevice::WriteOnly);
    description.write(R"({"users": [{"name": "Alice", "password": "wonder"}]})");
    description.close();

    QProcess unit;
    if (!StartUnitProcess(unit, QStringLiteral(QUENDLE_TEST_UNIT),
            { "--listen", kUnitAddress, "--config", configPath, "--description", descriptionPath, "--raw-port",
                QString::number(kRawPort) }))
        return 3;
    gUnitPid = unit.processId();

    auto stack = std::make_unique<cNetworkStack>(cNetworkStack::SystemBuilder | cNetworkStack::SyscallThread);
    stack->Start();

    gClient = new cRunnerQuendleConfigClient("QuendleConfigClient_0", { 1, 3, 1 });
    std::atomic<int> found { 0 };
    std::atomic<int> signedIn { 0 };
    QObject::connect(gClient, &cQuendleConfigClient::SeekSuccessful, [&] { ++found; });
    QObject::connect(gClient, &cQuendleConfigClient::Authenticated, [&] { ++signedIn; });
    // Counted on the syscall thread; the queued wake-up ends the main thread's wait.
    QObject wake;
    QObject::connect(gClient, &cQuendleConfigClient::DownloadConfigSuccessful, [&wake] {
        ++gDownloads;
        QMetaObject::invokeMethod(
            &wake, [] {}, Qt::QueuedConnection);
    });
    QObject::connect(gClient, &cQuendleConfigClient::DownloadConfigFailed, [&wake] {
        ++gFailures;
        QMetaObject::invokeMethod(
            &wake, [] {}, Qt::QueuedConnection);
    });
    SyscallMessagesPollLock();
    gClient->SeekObject((QByteArray(kUnitAddress) + "/" + Quendle::kConfigManagerName).constData());
    SyscallMessagesPollUnLock();
    if (!WaitFor([&] { return found.load() > 0; }, 10000))
        return 4;
    gClient->Authenticate(Quendle::GetHashedString("Alice"), Quendle::GetHashedPassword("wonder"));
    if (!WaitFor([&] { return signedIn.load() > 0; }, 10000))
        return 5;

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();

    stack->Stop();
    delete gClient;
    stack.reset();
    unit.closeWriteChannel();
    unit.waitForFinished(10000);
    return 0;
}
