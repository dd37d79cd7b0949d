#pragma once

namespace Quendle
{

/// The QML module of the program's own types.
constexpr const char* kQmlModule = "ZUQml";
constexpr int kQmlModuleMajor = 1;
constexpr int kQmlModuleMinor = 0;

/// Registers the meta types and QML types of this layer. The program and the QML tests both call
/// it; calling it again does nothing.
void RegisterAppCommonQmlTypes();

} // namespace Quendle
