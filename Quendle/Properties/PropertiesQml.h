#pragma once

namespace Quendle
{

/// Registers the property types with the meta-type system and QML (module "ZUQml"), so QML sees
/// the kinds by name (Property.Int ...). Called by the program and the QML tests; calling it
/// again does nothing.
void RegisterPropertiesQmlTypes();

} // namespace Quendle
