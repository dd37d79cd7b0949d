#pragma once

#include "ZUNet/Core/ZUNetTypes.h"
#include "ZUNet/QT/NetworkStack.h"

#include <QString>

/// The runner's network as the end-to-end tests use it: the stack with its own syscall thread and
/// no ticks, started while it lives. Held by value as the test object's first member, so that it
/// runs through every test function and goes after everything that made connections.
class cStartedNetwork
{
public:
    cStartedNetwork();

private:
    cNetworkStack mStack;
};

/// The runner's registry router and connection manager, and its system builder when asked, made as
/// the syscall layer makes them and never started: for tests that make net objects and read them
/// without any traffic. Held by value as the test object's first member.
class cLocalNetwork
{
public:
    explicit cLocalNetwork(bool systemBuilder);
    ~cLocalNetwork();
    cLocalNetwork(const cLocalNetwork&) = delete;
    cLocalNetwork& operator=(const cLocalNetwork&) = delete;
};

/// Ends every connection of the runner's network and waits until none is left, so that the next
/// test function starts without one.
void EndEveryConnection();

/// The runner's connection to `host`, or ZUNET_NO_CONNECTION.
UWORD ConnectionTo(const QString& host);
