#pragma once

#include <QStringList>

namespace Quendle
{

/// The kiosk choice of the command line.
struct sKioskArguments {
    /// "KioskMode" or "NoKioskMode" was the one argument: the choice is stored for later runs.
    bool mGiven = false;
    bool mOn = false;
};

/// Reads the arguments after the program name: at most one, "KioskMode" or "NoKioskMode"
/// (case-sensitive). Anything else is reported and counts as no argument.
sKioskArguments ParseKioskArguments(const QStringList& arguments);

} // namespace Quendle
