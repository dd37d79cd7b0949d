#pragma once

#include "Common/Qt/Latin1Text.h"

/// Every key the program keeps in the platform settings store (a default-constructed `QSettings`).
struct cSettingsKeys {
    /// Index of the last unit chosen on the login page (int).
    static constexpr QLatin1String LastUnitIndex = Latin1Text("LUI");
    /// Name, or typed address, of the last unit chosen (text).
    static constexpr QLatin1String LastUnitName = Latin1Text("LUN");
    /// The user name (text).
    static constexpr QLatin1String Username = Latin1Text("U");
    /// The hashed password, Base64 (text).
    static constexpr QLatin1String HashedPassword = Latin1Text("HP");
    static constexpr QLatin1String RememberLoginDetails = Latin1Text("RLD");
    /// The licence agreement was accepted (bool).
    static constexpr QLatin1String EulaAccepted = Latin1Text("EU");
    static constexpr QLatin1String AutoLogin = Latin1Text("ALI");
    static constexpr QLatin1String KioskMode = Latin1Text("KM");
    /// The hash of the kiosk unlock password, Base64 (text).
    static constexpr QLatin1String KioskModePassword = Latin1Text("KMP");
    /// The keyring's enciphered table (bytes).
    static constexpr QLatin1String Keyring = Latin1Text("KR");
    /// The window's geometry and state (bytes).
    static constexpr QLatin1String Geometry = Latin1Text("SCG");
};
