#include "Quendle/AppCommon/StoredSettings.h"

#include <QSettings>
#include <QVariant>

namespace Quendle
{

bool ReadStoredFlag(const QString& key, bool defaultValue)
{
    const QVariant value = QSettings().value(key);
    if (value.type() == QVariant::Bool)
        return value.toBool();
    // QVariant takes any text but "", "0" and "false" as true: a damaged flag must not switch on
    // kiosk mode or an automatic login.
    if (value.type() == QVariant::String) {
        const QString text = value.toString();
        if (text == QLatin1String("true"))
            return true;
        if (text == QLatin1String("false"))
            return false;
    }
    return defaultValue;
}

QString ReadStoredName(const QString& key)
{
    const QVariant value = QSettings().value(key);
    if (value.type() != QVariant::String)
        return QString();
    const QString text = value.toString();
    return text.size() <= kMaxStoredNameLength ? text : QString();
}

} // namespace Quendle
