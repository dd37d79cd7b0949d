#pragma once

namespace Quendle
{

/// Registers the widget types with the meta-type system and QML (module "ZUQml"), with the layers
/// below (properties, configuration). Called by the program and the QML tests; calling it again
/// does nothing.
void RegisterWidgetsQmlTypes();

} // namespace Quendle
