#include "Quendle/Runner/RunnerConfig.h"

#include "Quendle/AppCommon/ConfigUnit.h"
#include "Quendle/AppCommon/Resource.h"
#include "Quendle/Runner/PanelLEDControlHelper.h"
#include "ZUNet/Core/Trace.h"

#include <QIODevice>
#include <QSet>
#include <QXmlStreamReader>

namespace
{
const QString kInvalidData = QStringLiteral("Config data is invalid");
const QString kNoVersion = QStringLiteral("Failed to read version");
const QString kInvalidVersion = QStringLiteral("Config data file contains an invalid version");
const QString kTooManyWidgets
    = QStringLiteral("Config data has more than %1 widgets, more than this app shows").arg(cRunnerConfig::kMaxWidgets);
} // namespace

cRunnerConfig::cRunnerConfig(
    QObject* parent, cApplicationInterface* application, cConnectionInterfaceApplication* connections)
    : cConfigBase(parent, application)
    , mConnections(connections)
    , mConnectionInterface(new cConfigConnectionInterface(this, connections))
    , mLayouts(new QQmlObjectListModel<cRunnerLayout>(this, QByteArray(), QByteArray()))
{
    connect(mConnectionInterface, &cConfigConnectionInterface::allUnitsConnectedAndAuthenticatedChanged, this,
        &cRunnerConfig::UnitsUpChanged);
    connect(mConnectionInterface, &cConfigConnectionInterface::someUnitsConnectedAndAuthenticatedChanged, this,
        &cRunnerConfig::UnitsUpChanged);
    // The summary signals say nothing when the last unit up goes down: without this its widgets
    // would stay on line with no unit behind them.
    connect(mConnectionInterface, &cConfigConnectionInterface::UnitUpChanged, this, &cRunnerConfig::UnitsUpChanged);
}

cRunnerConfig::~cRunnerConfig()
{
    Reset(true);
}

void cRunnerConfig::Reset(bool resetResources)
{
    mErrorText = QLatin1String("");
    // QML sees the list emptied while the layouts still exist; they go afterwards.
    const QList<cRunnerLayout*> layouts = mLayouts->toList();
    mLayouts->clear();
    qDeleteAll(layouts);
    mLayoutsPassed = false;
    cPanelLEDControlHelper::CreateSingleton(false, 0.0)->DisableLED();
    SetOffline();
    mConnectionInterface->Reset();
    cConfigBase::Reset(resetResources);
}

bool cRunnerConfig::ReadXml(QIODevice& file)
{
    Reset(false);
    const QList<cResource*> resourcesBefore = resources()->toList();

    QXmlStreamReader reader(&file);
    if (!reader.readNextStartElement()
        || (reader.name() != QLatin1String("QuendleConfig") && reader.name() != QLatin1String("TembrelConfig"))) {
        ZU_DIAG("Error");
        Refuse(kInvalidData, resourcesBefore);
        return false;
    }
    ZU_DIAG("%s", qPrintable(reader.name().toString()));
    const bool validated = reader.name() == QLatin1String("QuendleConfig");

    QString version;
    QString appVersion;
    bool versionSeen = false;
    bool appVersionSeen = false;
    for (const QXmlStreamAttribute& attribute : reader.attributes()) {
        if (attribute.name() == QLatin1String("version")) {
            version = attribute.value().toString();
            versionSeen = true;
        } else if (attribute.name() == QLatin1String("appVersion")) {
            appVersion = attribute.value().toString();
            appVersionSeen = true;
        }
    }
    if (!versionSeen) {
        ZU_ERR("Error reading version");
        Refuse(kNoVersion, resourcesBefore);
        return false;
    }
    SetVersionString(appVersionSeen ? appVersion : version);
    if (validated && !ValidateVersionStringSetIsNewer(this->version())) {
        Refuse(kInvalidVersion, resourcesBefore);
        return false;
    }

    // Counted as they are read: every widget is built at once, and past the bound the memory and
    // the time to show them grow beyond what a person waits for.
    int widgetsLeft = kMaxWidgets;
    while (reader.readNextStartElement()) {
        const QStringRef name = reader.name();
        if (name == QLatin1String("Units"))
            ReadUnitsFromXml(reader);
        else if (name == QLatin1String("Layouts"))
            ReadLayouts(reader, widgetsLeft);
        else if (name == QLatin1String("Resources"))
            ReadResourcesXml(reader, true);
        else
            reader.skipCurrentElement(); // UIOptions and anything unknown
    }
    // A document that breaks off or goes bad anywhere, even after its root, is not a configuration:
    // a partial one would show a page with widgets missing and no word of why.
    while (!reader.atEnd() && !reader.hasError())
        reader.readNext();
    if (reader.hasError()) {
        Refuse(widgetsLeft < 0 ? kTooManyWidgets : kInvalidData, resourcesBefore);
        return false;
    }
    return true;
}

void cRunnerConfig::ReadLayouts(QXmlStreamReader& reader, int& widgetsLeft)
{
    while (reader.readNextStartElement()) {
        if (reader.name() != QLatin1String("Layout")) {
            reader.skipCurrentElement();
            continue;
        }
        // Widget ids are unique within one layout only.
        QSet<int> ids;
        mLayouts->append(cRunnerLayout::CreateFromXml(reader, ids, this, &widgetsLeft));
    }
}

void cRunnerConfig::Refuse(const QString& errorText, const QList<cResource*>& resourcesBefore)
{
    Reset(false);
    const QSet<cResource*> before(resourcesBefore.begin(), resourcesBefore.end());
    const QList<cResource*> now = resources()->toList();
    for (cResource* resource : now) {
        if (!before.contains(resource)) {
            resources()->remove(resource);
            delete resource;
        }
    }
    // The refused file's version is not this configuration's.
    SetVersionString(QString());
    mErrorText = errorText;
}

void cRunnerConfig::setOnline()
{
    if (mOnline)
        return;
    mOnline = true;
    cConnectionUnit* primary = mConnections ? mConnections->PrimaryConnectionUnit() : nullptr;
    const QByteArray primaryAddress = AddressOf(primary);
    QSet<cConnectionUnit*> units;
    for (cConfigUnit* unit : this->units()->toList()) {
        if (unit->isPrimaryUnit())
            continue;
        if (primary && cConfigConnectionInterface::SameUnitAddress(AddressOf(unit), primaryAddress))
            continue;
        units.insert(unit);
    }
    if (primary)
        units.insert(primary);
    mConnectionInterface->ConnectToUnits(units);
}

void cRunnerConfig::SetOffline()
{
    mOnline = false;
    for (cConfigUnit* unit : units()->toList())
        unit->disconnectFromUnit();
}

void cRunnerConfig::SetLayoutsOnline()
{
    if (!mConnections || !mConnections->PrimaryConnectionUnit())
        return;
    mUnitsUpPassed = UnitsUp();
    mLayoutsPassed = true;
    for (cRunnerLayout* layout : mLayouts->toList())
        layout->SetOnline();
}

void cRunnerConfig::UnitsUpChanged()
{
    if (mLayoutsPassed && UnitsUp() == mUnitsUpPassed)
        return;
    SetLayoutsOnline();
}

QSet<cConnectionUnit*> cRunnerConfig::UnitsUp() const
{
    QSet<cConnectionUnit*> up;
    for (cConfigUnit* record : units()->toList()) {
        cConnectionUnit* unit = GetUnit(record->unitId());
        if (unit && unit->connected() && unit->authenticated())
            up.insert(unit);
    }
    return up;
}

QByteArray cRunnerConfig::AddressOf(const cConnectionUnit* unit) const
{
    if (!unit)
        return QByteArray();
    return unit->FindIpAddress(mConnections ? mConnections->MultiUnitFinder() : nullptr);
}

std::set<int> cRunnerConfig::GetResourcesHeld() const
{
    std::set<int> held;
    for (cResource* resource : resources()->toList())
        held.insert(resource->resourceId().toInt());
    return held;
}

cConnectionUnit* cRunnerConfig::GetUnit(int unitId) const
{
    cConfigUnit* found = nullptr;
    for (cConfigUnit* unit : units()->toList()) {
        if (unit->unitId() == unitId) {
            found = unit;
            break;
        }
    }
    if (!found)
        return nullptr;
    cConnectionUnit* primary = mConnections ? mConnections->PrimaryConnectionUnit() : nullptr;
    if (found->isPrimaryUnit())
        return primary;
    if (!primary)
        return found;
    // An address that cannot be found names no unit, so it never stands for the primary.
    if (cConfigConnectionInterface::SameUnitAddress(AddressOf(found), AddressOf(primary)))
        return primary;
    return found;
}
