#include "ZUNet/QT/TestSettings.h"

#include <atomic>

namespace
{
std::atomic<int> gLostCommsPeriod { 0 };
std::atomic<int> gProbeTimeout { 0 };
std::atomic<quint16> gProbePort { 0 };
} // namespace

namespace ZUNetTestSettings
{

void SetLostCommsPeriod(int milliseconds)
{
    gLostCommsPeriod.store(milliseconds > 0 ? milliseconds : 0);
}

int LostCommsPeriod()
{
    return gLostCommsPeriod.load();
}

void SetProbeTimeout(int milliseconds)
{
    gProbeTimeout.store(milliseconds > 0 ? milliseconds : 0);
}

int ProbeTimeout()
{
    return gProbeTimeout.load();
}

void SetProbePort(quint16 port)
{
    gProbePort.store(port);
}

quint16 ProbePort()
{
    return gProbePort.load();
}

void Reset()
{
    SetLostCommsPeriod(0);
    SetProbeTimeout(0);
    SetProbePort(0);
}

} // namespace ZUNetTestSettings
