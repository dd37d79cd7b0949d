#include "Quendle/Widgets/Base/ZUNetWidget.h"

#include "Quendle/AppCommon/ConfigBase.h"
#include "Quendle/AppCommon/ConfigUnit.h"
#include "Quendle/Drivers/DriverBase.h"
#include "Quendle/Widgets/Base/WidgetBatch.h"
#include "Quendle/Widgets/WidgetXmlNames.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "ZUNet/Core/Trace.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <atomic>
#include <set>

namespace
{
std::atomic<quint64> gNextSerial { 1 };

// Retired drivers posted to the application's thread for deletion and not deleted yet. A call posted
// as the program ends (the network's stop releases the drivers it still linked) is never run: the
// application deletes what is left as it goes.
QMutex gPostedMutex;
std::set<QObject*> gPosted;
bool gPostRoutineAdded = false;

void DeletePostedLeft()
{
    std::set<QObject*> left;
    {
        QMutexLocker locker(&gPostedMutex);
        left.swap(gPosted);
        gPostRoutineAdded = false;
    }
    for (QObject* object : left)
        delete object;
}

/// True when `object` was still waiting: the caller deletes it.
bool TakePosted(QObject* object)
{
    QMutexLocker locker(&gPostedMutex);
    return gPosted.erase(object) > 0;
}
} // namespace

std::map<quint64, cZUNetWidget*>& cZUNetWidget::mCurrentZUNetWidgets()
{
    static auto* widgets = new std::map<quint64, cZUNetWidget*>();
    return *widgets;
}

QMutex& cZUNetWidget::mCurrentZUNetWidgetsMutex()
{
    static auto* mutex = new QMutex();
    return *mutex;
}

cZUNetWidget::cZUNetWidget(int id, QObject* parent, const cConfigBase& configuration)
    : cWidget(id, parent)
    , mConfiguration(configuration)
    , mSerial(gNextSerial++)
{
    QMutexLocker locker(&mCurrentZUNetWidgetsMutex());
    mCurrentZUNetWidgets().emplace(mSerial, this);
}

cZUNetWidget::~cZUNetWidget()
{
    {
        QMutexLocker locker(&mCurrentZUNetWidgetsMutex());
        mCurrentZUNetWidgets().erase(mSerial);
    }
    StopListening();
    mNetObjectNamesAndParameters.clear();
}

bool cZUNetWidget::AllowableUnitType(const QString& unitType) const
{
    return cConnectionUnit::AllTypes().contains(unitType);
}

void cZUNetWidget::Init()
{
    cWidget::Init();
    mUnit.Declare(*this);
    UpdateUnitVisibility();
}

cProperty* cZUNetWidget::cUnit::MakeObject(cWidget& owner, const QString& label)
{
    auto& widget = static_cast<cZUNetWidget&>(owner);
    auto* unit = new cCodeComboProperty(label, mUnitId, widget.GetUnitComboList(), &widget);
    // Only the object has entries and a visibility to keep up to date; the visibility as it is now
    // goes to the object as it is made.
    widget.UpdateUnitVisibility();
    connect(&widget.mConfiguration, &cConfigBase::UnitsListChanged, &widget, &cZUNetWidget::UnitsListChanged);
    connect(
        &widget.mConfiguration, &cConfigBase::multiUnitConfigChanged, &widget, &cZUNetWidget::MultiUnitConfigChanged);
    return unit;
}

void cZUNetWidget::cUnit::SetUnitId(int unitId)
{
    if (mObject)
        Made()->setValue(QVariant(unitId));
    else
        mUnitId = unitId;
}

void cZUNetWidget::UpdateUnitVisibility()
{
    if (!mUnit)
        return;
    mUnit.setVisible(mConfiguration.IsEditorConfig() ? mConfiguration.IsUnitPropertyShown() : true);
}

QList<sCodeComboPair> cZUNetWidget::GetUnitComboList() const
{
    QList<sCodeComboPair> entries;
    const QQmlObjectListModel<cConfigUnit>* units = mConfiguration.units();
    if (!units)
        return entries;
    for (cConfigUnit* unit : units->toList()) {
        if (unit && AllowableUnitType(unit->type()))
            entries.append(sCodeComboPair { QVariant(unit->unitId()), unit->NameOrIpAddress() });
    }
    return entries;
}

int cZUNetWidget::CurrentUnitId() const
{
    return mUnit ? mUnit.UnitId() : -1;
}

void cZUNetWidget::SetCurrentUnitId(int unitId)
{
    if (mUnit)
        mUnit.SetUnitId(unitId);
}

void cZUNetWidget::LoadAttributes(QXmlStreamReader& reader)
{
    cWidget::LoadAttributes(reader);
    int unitId = 0;
    const QXmlStreamAttributes attributes = reader.attributes();
    if (attributes.hasAttribute(WidgetXml::kUnitId)) {
        bool ok = false;
        unitId = attributes.value(WidgetXml::kUnitId).toInt(&ok, 10);
        if (!ok)
            unitId = -1;
    }
    SetCurrentUnitId(unitId);
}

void cZUNetWidget::WriteAttributes(QXmlStreamWriter& writer) const
{
    cWidget::WriteAttributes(writer);
    writer.writeAttribute(WidgetXml::kUnitId, QString::number(CurrentUnitId()));
}

void cZUNetWidget::SetOnline()
{
    cWidgetBatch::Step();
    if (mConfiguration.GetUnit(CurrentUnitId()))
        cWidget::SetOnline();
}

void cZUNetWidget::SetOffline()
{
    cWidgetBatch::Step();
    // An off-line widget must not be linked again by a late answer or a name update.
    StopListening();
    mNetObjectNamesAndParameters.clear();
    cWidget::SetOffline();
}

void cZUNetWidget::RequestNetObjectNameAndParameter(const std::string& key)
{
    cConnectionUnit* unit = mConfiguration.GetUnit(CurrentUnitId());
    cQuendleConfigClient* client = unit ? unit->ConfigClient() : nullptr;
    if (mNamesClient && mNamesClient != client)
        StopListening();
    if (!client)
        return;
    mNamesClient = client;
    client->RequestNetObjectNameAndParameter(key, this);
}

void cZUNetWidget::StopListening()
{
    if (mNamesClient)
        mNamesClient->RemoveNetObjectNameAndParameterListener(this);
    mNamesClient = nullptr;
}

void cZUNetWidget::FailedToMakeLinkCallback(quint64 serial)
{
    QMutexLocker locker(&mCurrentZUNetWidgetsMutex());
    const auto found = mCurrentZUNetWidgets().find(serial);
    if (found == mCurrentZUNetWidgets().end())
        return;
    // Under the lock, so the widget cannot be destroyed in between. Queued even on its own thread:
    // the report never runs inside a caller that holds the lock, and a widget deleted meanwhile
    // gets nothing. A call posted to the widget needs no connection of every widget to itself.
    cZUNetWidget* widget = found->second;
    Q_EMIT widget->FailedToMakeLinkSignal();
    QMetaObject::invokeMethod(
        widget, [widget] { widget->FailedToMakeLink(); }, Qt::QueuedConnection);
}

std::function<void(sParameterLinkingCommand*)> cZUNetWidget::LinkFailureCallback() const
{
    const quint64 serial = mSerial;
    return [serial](sParameterLinkingCommand*) { FailedToMakeLinkCallback(serial); };
}

void cZUNetWidget::FailedToMakeLink()
{
    ZU_ERR("Failed to make link!");
    SetDisabled(true);
}

void cZUNetWidget::UnitsListChanged()
{
    if (mUnit.IsMade())
        mUnit->UpdateComboValues(GetUnitComboList());
    UpdateUnitVisibility();
}

void cZUNetWidget::MultiUnitConfigChanged()
{
    UpdateUnitVisibility();
}

void cZUNetWidget::QueueLink(const std::string& source, UWORD sourceParameter, const std::string& destination,
    UWORD destinationParameter, bool sync, bool bidirect, bool withCallback)
{
    sParameterLinkingCommand command = sParameterLinkingCommand::Make(
        source.c_str(), sourceParameter, destination.c_str(), destinationParameter, sync);
    if (!command.PathsFit()) {
        ZU_ERR("Link path too long: \"%s\" to \"%s\"", source.c_str(), destination.c_str());
        SetDisabled(true);
        return;
    }
    if (withCallback)
        command.mCompletionCallback = LinkFailureCallback();
    const cWidgetBatch::cLock locker;
    if (!gSystemBuilder) {
        ZU_ERR("No system builder, link to \"%s\" not queued", destination.c_str());
        return;
    }
    gSystemBuilder->AddLinkCommandToList(command, bidirect);
    // A path with a unit part ("unit/object") leaves this process through that unit's connection.
    cConnectionUnit* unit = mConfiguration.GetUnit(CurrentUnitId());
    const bool throughUnit
        = unit && (source.find('/') != std::string::npos || destination.find('/') != std::string::npos);
    mLinks.push_back(
        sLink { source, sourceParameter, destination, destinationParameter, sync, bidirect, throughUnit, unit });
}

void cZUNetWidget::QueueRemoval(const sLink& link)
{
    if (!gSystemBuilder || (link.mThroughUnit && (!link.mUnit || !link.mUnit->connected())))
        return;
    const sParameterLinkingCommand command = sParameterLinkingCommand::Make(link.mSource.c_str(), link.mSourceParameter,
        link.mDestination.c_str(), link.mDestinationParameter, link.mSync, true);
    gSystemBuilder->AddLinkCommandToList(command, link.mBidirect);
}

void cZUNetWidget::RemoveLinks()
{
    if (mLinks.empty())
        return;
    const cWidgetBatch::cLock locker;
    for (const sLink& link : mLinks)
        QueueRemoval(link);
    mLinks.clear();
}

void cZUNetWidget::RetireDriver(cZUNetDriverBase* driver)
{
    if (!driver)
        return;
    disconnect(driver, nullptr, this, nullptr);
    driver->SetListener(nullptr);
    // Nobody else deletes it now, whatever becomes of the widget.
    driver->setParent(nullptr);
    const std::string name = driver->GetName();
    const cWidgetBatch::cLock locker;
    for (auto link = mLinks.begin(); link != mLinks.end();) {
        if (link->mSource == name || link->mDestination == name) {
            QueueRemoval(*link);
            link = mLinks.erase(link);
        } else {
            ++link;
        }
    }
    if (!gSystemBuilder || !gSystemBuilder->ReleaseAfterQueuedCommands([driver] { DeleteOnItsThread(driver); }))
        delete driver;
}

void cZUNetWidget::DeleteOnItsThread(QObject* object)
{
    // Posted as a call rather than a deferred delete: that one waits for an event loop run by
    // exec(), and a program that only processes events would keep the object for ever.
    QObject* application = QCoreApplication::instance();
    if (application && application->thread() == object->thread()) {
        {
            QMutexLocker locker(&gPostedMutex);
            // Each application calls its post routines once, as it ends.
            if (!gPostRoutineAdded)
                qAddPostRoutine(&DeletePostedLeft);
            gPostRoutineAdded = true;
            gPosted.insert(object);
        }
        QMetaObject::invokeMethod(
            application,
            [object] {
                if (TakePosted(object))
                    delete object;
            },
            Qt::QueuedConnection);
    } else
        object->deleteLater();
}

bool cZUNetWidget::DriverRegistered(const cZUNetDriverBase* driver)
{
    if (driver && !driver->RegistrationFailed())
        return true;
    ZU_ERR("Widget %d (%s): driver \"%s\" not registered, widget disabled", widgetId(), qPrintable(Type()),
        driver ? driver->RequestedName().c_str() : "");
    SetDisabled(true);
    return false;
}

bool cZUNetWidget::IsImageRecolourable(const QString& imageId) const
{
    return ImageHost(mConfiguration).isImageRecolourable(imageId);
}
