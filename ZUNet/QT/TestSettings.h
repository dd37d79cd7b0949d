#pragma once

#include <QtGlobal>

/// The process-wide settings that only tests and test programs change, all in one place. Each is
/// read when the thread or probe that uses it is made, so it applies to those made afterwards;
/// 0 keeps the product's value.
namespace ZUNetTestSettings
{
/// Keep-alive and ageing period of lost comms in ms (product: 1000).
void SetLostCommsPeriod(int milliseconds);
int LostCommsPeriod();
/// Time-out of the address probe in ms (product: 4000).
void SetProbeTimeout(int milliseconds);
int ProbeTimeout();
/// Port the address probe connects to (product: 51321).
void SetProbePort(quint16 port);
quint16 ProbePort();
/// Every setting back to the product's value.
void Reset();
} // namespace ZUNetTestSettings
