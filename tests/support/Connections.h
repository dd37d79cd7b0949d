#pragma once

#include "ZUNet/Core/ZUNetTypes.h"

#include <QString>

/// Ends every connection of the runner's network and waits until none is left, so that the next
/// test function starts without one.
void EndEveryConnection();

/// The runner's connection to `host`, or ZUNET_NO_CONNECTION.
UWORD ConnectionTo(const QString& host);
