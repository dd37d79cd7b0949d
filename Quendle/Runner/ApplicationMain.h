#pragma once

#include <QUrl>

namespace Quendle
{

/// The whole runner process: GUI application, default font, application object, QML engine with
/// `root`, the event loop, the network once the root window has drawn its first frame, then the
/// shutdown in reverse order. Returns the event loop's result, or -1 when `root` gave no root object.
int RunApplication(int& argc, char** argv, const QUrl& root);

/// With `TZ` unset, every local-time conversion of the C library and of QML's dates looks for the
/// system's zone again, on the disk (a clock view makes several a second). Names that zone in `TZ`
/// once, where the name found reads the same zone file the C library reads; otherwise leaves it.
void NameLocalTimeZone();

} // namespace Quendle
