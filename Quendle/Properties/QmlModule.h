#pragma once

namespace Quendle
{

/// The QML module of the program's own types; every layer registers into it.
constexpr const char* kQmlModule = "ZUQml";
constexpr int kQmlModuleMajor = 1;
constexpr int kQmlModuleMinor = 0;

} // namespace Quendle
