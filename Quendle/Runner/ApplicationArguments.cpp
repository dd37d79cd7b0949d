#include "Quendle/Runner/ApplicationArguments.h"

#include "ZUNet/Core/Trace.h"

namespace Quendle
{

sKioskArguments ParseKioskArguments(const QStringList& arguments)
{
    sKioskArguments result;
    if (arguments.isEmpty())
        return result;
    if (arguments.size() > 1) {
        ZU_ERR("Invalid number of argument use \"KioskMode\" or \"NoKioskMode\"");
        return result;
    }
    const QString& word = arguments.first();
    if (word == QLatin1String("KioskMode")) {
        result.mGiven = true;
        result.mOn = true;
        ZU_DIAG("Set app to Kiosk Mode");
    } else if (word == QLatin1String("NoKioskMode")) {
        result.mGiven = true;
    } else {
        ZU_ERR("Invalid arguments use \"KioskMode\" or \"NoKioskMode\"");
    }
    return result;
}

} // namespace Quendle
