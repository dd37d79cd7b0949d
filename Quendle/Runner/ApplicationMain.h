#pragma once

#include <QUrl>

namespace Quendle
{

/// The whole runner process: GUI application, default font, application object, QML engine with
/// `root`, the network once the root object exists, the event loop, then the shutdown in reverse
/// order. Returns the event loop's result, or -1 when `root` gave no root object.
int RunApplication(int& argc, char** argv, const QUrl& root);

} // namespace Quendle
