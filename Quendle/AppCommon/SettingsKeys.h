#pragma once

#include <QLatin1String>

/// Every key the program keeps in the platform settings store (a default-constructed `QSettings`).
struct cSettingsKeys {
    /// Index of the last unit chosen on the login page (int).
    static constexpr QLatin1String LastUnitIndex { "LUI" };
    /// Name, or typed address, of the last unit chosen (text).
    static constexpr QLatin1String LastUnitName { "LUN" };
    /// The user name (text).
    static constexpr QLatin1String Username { "U" };
    /// The hashed password, Base64 (text).
    static constexpr QLatin1String HashedPassword { "HP" };
    static constexpr QLatin1String RememberLoginDetails { "RLD" };
    /// The licence agreement was accepted (bool).
    static constexpr QLatin1String EulaAccepted { "EU" };
    static constexpr QLatin1String AutoLogin { "ALI" };
    static constexpr QLatin1String KioskMode { "KM" };
    /// The hash of the kiosk unlock password, Base64 (text).
    static constexpr QLatin1String KioskModePassword { "KMP" };
    /// The keyring's enciphered table (bytes).
    static constexpr QLatin1String Keyring { "KR" };
    /// The window's geometry and state (bytes).
    static constexpr QLatin1String Geometry { "SCG" };
};
