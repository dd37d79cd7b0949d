#pragma once

#include "Quendle/Properties/QmlModule.h"

namespace Quendle
{

/// Registers the meta types and QML types of this layer. The program and the QML tests both call
/// it; calling it again does nothing.
void RegisterAppCommonQmlTypes();

} // namespace Quendle
