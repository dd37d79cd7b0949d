// The unit side of ZUNet in a process of its own, for tests and benchmarks that run the runner's
// connection manager against a real peer:
//   zunet_test_unit [--listen ADDRESS] [--keepalive-ms N] [--objects N] [--raw-echo-port P] [--audio]
// With a raw echo port P it also echoes plain TCP on P, and on P + 1 echoes through a hand-off to
// a second thread, as a message to an object is handed from its connection's thread to dispatch.
// It accepts connections on ADDRESS:51321 (every IPv4 address by default) and holds the objects
// "Echo" (answers every parameter message to its sender over TCP), "EchoDatagram" (the same as a
// datagram), "Counter" (counts messages to its first parameter, answers the count on its second),
// "Value1".."ValueN" (value objects holding 100 * N, to link to) and a watcher that reports
// connection ends. With --audio it also holds "Controller", the audio object of a continuous
// controller whose control the commands move, and ticks run. It reports on standard output, one
// line each: "unit: ready", "unit: connections N", "unit: terminated ID LOST", "unit: done LINE".
// It takes commands on standard input, one per line:
//   "controller VALUE"               the controller's control moves to VALUE (the next tick sends it)
//   "controller-range LOWER UPPER VALUE"  the controller posts a new range and value
// Closing its standard input shuts it down in order (connections say BYE).
#include "ZUNet/Core/AudioDrivers.h"
#include "ZUNet/Core/PollLocker.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"
#include "ZUNet/QT/NetworkConnection.h"
#include "ZUNet/QT/NetworkStack.h"
#include "ZUNet/QT/ServerConnection.h"
#include "ZUNet/QT/TestSettings.h"
#include "tests/support/CommandReader.h"
#include "tests/support/UnitWatcher.h"
#include "tests/support/ValueObject.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

namespace
{

class cEchoObject : public cNetObject
{
public:
    cEchoObject(const char* name, bool datagram)
        : cNetObject(name, 4)
        , mDatagram(datagram)
    {
    }
    ~cEchoObject() override { Unregister(); }

    void EntrypointMessage(cZUNetMessage& message) override
    {
        if (message.mMethod < PARAMETER_BASE) {
            cNetObject::EntrypointMessage(message);
            return;
        }
        mReply = message;
        mReply.mDestination = message.mSource;
        mReply.mSource = GetHandle();
        if (mDatagram)
            SyscallSendDatagramMessage(mReply);
        else
            SyscallSendMessage(mReply);
    }

private:
    const bool mDatagram;
    cZUNetMessage mReply;
};

/// Counts messages to its first parameter; a message to its second is answered with the count.
class cCounterObject : public cNetObject
{
public:
    cCounterObject()
        : cNetObject("Counter", 2)
        , mReply(4)
    {
    }
    ~cCounterObject() override { Unregister(); }

    void EntrypointMessage(cZUNetMessage& message) override
    {
        if (message.mMethod == PARAMETER_BASE) {
            ++mCount;
        } else if (message.mMethod == PARAMETER_BASE + 1) {
            mReply.SetLength(4);
            mReply.SetDataBufferULONG(mCount, 0);
            mReply.SetAddress(message.mConnectionId, message.mSource, GetHandle(), PARAMETER_BASE + 1);
            SyscallSendMessage(mReply);
        } else {
            cNetObject::EntrypointMessage(message);
        }
    }

private:
    ULONG mCount = 0;
    cZUNetMessage mReply;
};

/// Echoes every byte back on plain TCP, on a thread of its own: the baseline of the round-trip
/// benchmark.
class cRawEchoServer : public QTcpServer
{
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QTcpSocket(this);
        socket->setSocketDescriptor(descriptor);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            socket->write(socket->readAll());
            socket->flush();
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
};

/// Echoes plain TCP, but each chunk read on the socket's thread is written back by another
/// thread that sleeps until handed it: the cost of one thread hand-off, without any framing,
/// routing or objects. The benchmark's floor for a design with a dispatch thread.
class cHandoffEchoServer : public QTcpServer
{
public:
    using QTcpServer::QTcpServer;
    ~cHandoffEchoServer() override
    {
        {
            std::lock_guard<std::mutex> locker(mLock);
            mStop = true;
        }
        mWake.notify_all();
        if (mWriter.joinable())
            mWriter.join();
        if (mFd >= 0)
            ::close(mFd);
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QTcpSocket(this);
        socket->setSocketDescriptor(descriptor);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        if (mWriter.joinable())
            return; // one connection is all the benchmark makes
        mFd = ::dup(int(descriptor));
        mWriter = std::thread([this] { WriteBack(); });
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            const QByteArray bytes = socket->readAll();
            {
                std::lock_guard<std::mutex> locker(mLock);
                mPending += bytes;
            }
            mWake.notify_all();
        });
    }

private:
    void WriteBack()
    {
        std::unique_lock<std::mutex> locker(mLock);
        for (;;) {
            mWake.wait(locker, [this] { return mStop || !mPending.isEmpty(); });
            if (mStop)
                return;
            const QByteArray bytes = std::exchange(mPending, QByteArray());
            locker.unlock();
            qint64 sent = 0;
            while (sent < bytes.size()) {
                const ssize_t n = ::send(mFd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += n;
            }
            locker.lock();
        }
    }

    std::mutex mLock;
    std::condition_variable mWake;
    QByteArray mPending;
    bool mStop = false;
    int mFd = -1;
    std::thread mWriter;
};

/// A fader on the unit: the commands move its control.
class cUnitController : public cContinuousControllerDriver
{
public:
    using cContinuousControllerDriver::cContinuousControllerDriver;
    bool ReadControllerTouched() override { return false; }
    UWORD ReadControllerValue() override { return mValue; }
    void WriteControllerValue(UWORD value) override { mValue = ClampValue(value); }

    UWORD mValue = 0;
};

/// Carries out one command line; the caller holds the poll lock.
void Command(const QStringList& words, cUnitController* controller)
{
    if (!controller)
        return;
    if (words.size() == 2 && words[0] == QLatin1String("controller"))
        controller->mValue = UWORD(words[1].toUInt());
    else if (words.size() == 4 && words[0] == QLatin1String("controller-range"))
        controller->PostContinuousControllerRangeAndValue(words[1].toInt(), words[2].toInt(), words[3].toInt());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({
        { "listen", "Address to accept connections on.", "address", "0.0.0.0" },
        { "keepalive-ms", "Keep-alive and ageing period (test setting).", "ms", "0" },
        { "objects", "Number of value objects.", "n", "4" },
        { "raw-echo-port", "Also echo plain TCP on this port.", "port", "0" },
        { "audio", "Hold the audio object \"Controller\" and run ticks." },
    });
    parser.process(app);

    ZUNetTestSettings::SetLostCommsPeriod(parser.value("keepalive-ms").toInt());
    const bool audio = parser.isSet("audio");
    cNetworkStack stack(
        cNetworkStack::SystemBuilder | cNetworkStack::SyscallThread | (audio ? cNetworkStack::Ticks : 0u));
    QObject::connect(
        stack.Connections(), &cNetworkConnection::NumberOfConnectionsChanged, &app,
        [](UBYTE count) { ZU_TRACE("unit: connections %d", count); }, Qt::QueuedConnection);
    {
        cEchoObject echo("Echo", false);
        cEchoObject echoDatagram("EchoDatagram", true);
        cCounterObject counter;
        cUnitWatcher watcher;
        std::unique_ptr<cUnitController> controller;
        if (audio)
            controller = std::make_unique<cUnitController>("Controller");
        std::vector<std::unique_ptr<cValueObject>> values;
        const int objects = parser.value("objects").toInt();
        for (int i = 1; i <= objects; ++i) {
            values.push_back(
                std::make_unique<cValueObject>(QByteArray("Value" + QByteArray::number(i)).constData(), 4));
            values.back()->SetValue(UWORD(i * 100));
        }
        stack.Start();

        const QHostAddress listen(parser.value("listen"));
        cZUNetTCPServer server(nullptr, listen);
        if (!server.isListening())
            return 3;

        // Each echo lives on a thread of its own, as a connection does: a thread that has slept
        // since its own last exchange wakes as slowly as a connection's would.
        QThread rawThread;
        QObject rawHome;
        QThread handoffThread;
        QObject handoffHome;
        cRawEchoServer* raw = nullptr;
        cHandoffEchoServer* handoff = nullptr;
        if (const quint16 rawPort = quint16(parser.value("raw-echo-port").toUInt())) {
            rawHome.moveToThread(&rawThread);
            rawThread.start();
            handoffHome.moveToThread(&handoffThread);
            handoffThread.start();
            QMetaObject::invokeMethod(
                &rawHome,
                [&] {
                    raw = new cRawEchoServer(&rawHome);
                    if (!raw->listen(listen, rawPort))
                        ZU_ERR("raw echo cannot listen on port %d", rawPort);
                },
                Qt::BlockingQueuedConnection);
            QMetaObject::invokeMethod(
                &handoffHome,
                [&] {
                    handoff = new cHandoffEchoServer(&handoffHome);
                    if (!handoff->listen(listen, quint16(rawPort + 1)))
                        ZU_ERR("hand-off echo cannot listen on port %d", rawPort + 1);
                },
                Qt::BlockingQueuedConnection);
        }

        // Commands arrive on standard input; its end is the request to stop.
        ReadCommandsFromStandardInput(app, [&controller](const QString& line) {
            {
                cPollLocker poll;
                Command(line.split(QLatin1Char(' '), Qt::SkipEmptyParts), controller.get());
            }
            ZU_TRACE("unit: done %s", line.toUtf8().constData());
        });

        ZU_TRACE("unit: ready");
        app.exec();

        if (raw) {
            QMetaObject::invokeMethod(
                &rawHome, [&] { delete raw; }, Qt::BlockingQueuedConnection);
            QMetaObject::invokeMethod(
                &handoffHome, [&] { delete handoff; }, Qt::BlockingQueuedConnection);
            rawThread.quit();
            rawThread.wait();
            handoffThread.quit();
            handoffThread.wait();
        }
        // Connections end first (with BYE), then dispatch, then the objects and the manager.
        stack.Stop();
    }
    return 0;
}
