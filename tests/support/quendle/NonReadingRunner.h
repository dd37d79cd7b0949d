#pragma once
// A runner that stops reading, and the memory of a process, for the tests and benchmarks of a
// unit's sending.

#include "Quendle/AppCommon/PasswordHashing.h"
#include "Quendle/Global/ConfigManagerProtocol.h"
#include "Quendle/Global/SaltHash.h"
#include "ZUNet/Core/ZUNetMethods.h"
#include "ZUNet/QT/ConnectionBase.h"
#include "ZUNet/QT/FrameParser.h"
#include "ZUNet/QT/FrameWriter.h"
#include "ZUNet/QT/ZUNetWire.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

/// A runner on plain sockets: says HELLO, finds the manager and signs in like a runner, then asks
/// for downloads and never reads again, while its keep-alives go on every second.
class cNonReadingRunner : public cFrameParser::cReceiver
{
public:
    /// Port of the unit's TCP listener.
    static constexpr quint16 kUnitPort = 51321;

    ~cNonReadingRunner() override
    {
        mStop.store(true);
        if (mKeepAlives.joinable())
            mKeepAlives.join();
        if (mTcp >= 0)
            ::close(mTcp);
        if (mUdp >= 0)
            ::close(mUdp);
    }

    bool Connect(const QString& unit)
    {
        mUnit.sin_family = AF_INET;
        mUnit.sin_port = htons(kUnitPort);
        if (::inet_pton(AF_INET, unit.toLatin1().constData(), &mUnit.sin_addr) != 1)
            return false;
        mTcp = ::socket(AF_INET, SOCK_STREAM, 0);
        if (::connect(mTcp, reinterpret_cast<const sockaddr*>(&mUnit), sizeof(mUnit)) != 0)
            return false;
        // Keep-alives leave from the address of the TCP connection, as the unit expects.
        sockaddr_in local {};
        socklen_t length = sizeof(local);
        ::getsockname(mTcp, reinterpret_cast<sockaddr*>(&local), &length);
        local.sin_port = 0;
        mUdp = ::socket(AF_INET, SOCK_DGRAM, 0);
        if (::bind(mUdp, reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0)
            return false;
        length = sizeof(local);
        ::getsockname(mUdp, reinterpret_cast<sockaddr*>(&local), &length);
        UBYTE hello[ZUNetWire::kHelloPayloadLength];
        cFrameWriter::WriteHelloPayload(ZUNetWire::kUtilityHello, ntohs(local.sin_port), hello);
        if (!Send(cFrameWriter::UtilityFrame(hello, sizeof(hello))) || !ReadUntil([this] { return mUnitPort != 0; }))
            return false;
        mKeepAlives = std::thread([this] {
            const UBYTE keepAlive[] = { ZUNetWire::kUtilityKeepAlive };
            const QByteArray frame = cFrameWriter::UtilityFrame(keepAlive, sizeof(keepAlive));
            sockaddr_in to = mUnit;
            to.sin_port = htons(mUnitPort);
            for (int tick = 0; !mStop.load(); ++tick) {
                if (tick % 20 == 0)
                    ::sendto(mUdp, frame.constData(), size_t(frame.size()), 0, reinterpret_cast<const sockaddr*>(&to),
                        sizeof(to));
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
        return true;
    }

    bool SignIn(const QString& name, const QString& password)
    {
        const QByteArray managerName(Quendle::kConfigManagerName);
        cZUNetMessage find(UWORD(managerName.size() + 1));
        find.SetDataBufferString(managerName.constData(), 0);
        find.SetAddress(0, ZUNET_REGISTRY_HANDLE, kHandle, M_REG_FIND_OBJECT);
        const cZUNetMessage* found = Request(find);
        if (!found || found->mMethod != M_REPLY_OK || !found->ReadUWORD(0, mManager))
            return false;
        cZUNetMessage authenticate(0);
        authenticate.SetAddress(0, mManager, kHandle, Quendle::M_AUTHENTICATE);
        const cZUNetMessage* saltReply = Request(authenticate);
        const char* saltText = nullptr;
        if (!saltReply || saltReply->mMethod != M_REPLY_OK || !saltReply->ReadString(0, saltText))
            return false;
        const QByteArray salt = QByteArray::fromBase64(saltText);
        const QByteArray user
            = Quendle::SaltHash(QByteArray::fromBase64(QByteArray::fromStdString(Quendle::GetHashedString(name))), salt)
                  .toBase64();
        const QByteArray secret = Quendle::SaltHash(
            QByteArray::fromBase64(QByteArray::fromStdString(Quendle::GetHashedPassword(password))), salt)
                                      .toBase64();
        cZUNetMessage part2(UWORD(user.size() + secret.size() + 2));
        part2.SetDataBufferString(user.constData(), 0);
        part2.SetDataBufferString(secret.constData(), user.size() + 1);
        part2.SetAddress(0, mManager, kHandle, Quendle::M_AUTHENTICATE_PART2);
        const cZUNetMessage* signedIn = Request(part2);
        return signedIn && signedIn->mMethod == M_REPLY_OK;
    }

    /// Asks for `count` desktop downloads at once; nothing is read from here on.
    bool RequestDownloads(int count)
    {
        cZUNetMessage request(3);
        request.SetDataBufferUBYTE(Quendle::Desktop, 0);
        request.SetDataBufferUWORD(0, 1);
        request.SetAddress(0, mManager, kHandle, Quendle::M_GET_RUNNER_CONFIG);
        for (int i = 0; i < count; ++i) {
            if (!Send(cFrameWriter::ObjectFrame(request)))
                return false;
        }
        return true;
    }

private:
    static constexpr UWORD kHandle = 0x0101;

    void ObjectFrameParsed(cZUNetMessage& message) override { mReceived.push_back(message); }
    void UtilityFrameParsed(UBYTE* payload, UWORD length) override
    {
        UBYTE version = 0;
        UWORD port = 0;
        if (length > 0 && payload[0] == ZUNetWire::kUtilityHelloAck
            && cConnectionBase::ReadHelloPayload(payload, length, version, port))
            mUnitPort = port;
    }

    bool Send(const QByteArray& frame)
    {
        return ::send(mTcp, frame.constData(), size_t(frame.size()), MSG_NOSIGNAL) == frame.size();
    }
    /// Sends the request and reads until its answer is in.
    const cZUNetMessage* Request(const cZUNetMessage& request)
    {
        const std::size_t before = mReceived.size();
        if (!Send(cFrameWriter::ObjectFrame(request)) || !ReadUntil([&] { return mReceived.size() > before; }))
            return nullptr;
        return &mReceived.back();
    }
    bool ReadUntil(const std::function<bool()>& done)
    {
        QDeadlineTimer deadline(10000);
        while (!done()) {
            pollfd readable { mTcp, POLLIN, 0 };
            if (deadline.hasExpired() || ::poll(&readable, 1, 50) < 0)
                return false;
            if (!(readable.revents & POLLIN))
                continue;
            UBYTE buffer[4096];
            const ssize_t count = ::recv(mTcp, buffer, sizeof(buffer), 0);
            if (count <= 0)
                return false;
            mParser.Feed(buffer, ULONG(count));
        }
        return true;
    }

    sockaddr_in mUnit {};
    int mTcp = -1;
    int mUdp = -1;
    UWORD mUnitPort = 0;
    UWORD mManager = ZUNET_NO_HANDLE;
    cFrameParser mParser { *this };
    std::vector<cZUNetMessage> mReceived;
    std::atomic<bool> mStop { false };
    std::thread mKeepAlives;
};

/// The resident memory of a process in kB (VmRSS, or VmHWM for its peak); -1 when unknown.
inline long MemoryOfProcess(qint64 pid, const char* field = "VmRSS:")
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLong();
    }
    return -1;
}
