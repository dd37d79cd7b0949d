#pragma once

#include <QString>

/// What the runner asks of the host desktop beyond Qt: the system bars around a full-screen kiosk
/// window and the folder the program's bundle lives in. On Linux the window manager already keeps
/// a full-screen window above the bars, so the presentation call does nothing. Tests install a
/// recording stand-in. GUI thread only.
class cPlatformShell
{
public:
    /// System bars and task switching hidden around a full-screen kiosk window (hide dock 2, hide
    /// menu bar 8, no process switching 32).
    static constexpr unsigned kKioskPresentation = 2 | 8 | 32;
    /// The system's own presentation.
    static constexpr unsigned kDefaultPresentation = 0;

    virtual ~cPlatformShell();

    virtual void SetPresentationOptions(unsigned options) = 0;
    /// The folder the program ships in, ending in "/".
    virtual QString BundleDir() const = 0;

    /// The installed shell; the desktop's own unless a test installed another.
    static cPlatformShell& Instance();
    /// Installs `shell` (not owned) in place of the desktop's; nullptr puts the desktop's back.
    static void SetInstance(cPlatformShell* shell);
};
