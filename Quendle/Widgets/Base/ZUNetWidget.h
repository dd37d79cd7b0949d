#pragma once

#include "Quendle/AppCommon/QuendleConfigClient.h"
#include "Quendle/Properties/Properties.h"
#include "Quendle/Widgets/Base/LazyProperty.h"
#include "Quendle/Widgets/Base/Widget.h"
#include "Quendle/Widgets/WidgetHelpers.h"

#include <QList>
#include <QMutex>
#include <QPair>
#include <QPointer>
#include <QString>

#include <functional>
#include <list>
#include <map>
#include <string>
#include <utility>

class cConfigBase;
class cConnectionUnit;
class cZUNetDriverBase;
struct sParameterLinkingCommand;

/// Base of every layout widget bound to parameters of a mixing unit: the unit it addresses (the
/// Unit property, attribute "unitId"), the name-and-parameter request sent to that unit's
/// configuration client, the (object, parameter) pairs of the answer, the links made between the
/// unit's objects and the widget's drivers, and the safe report of a link that failed.
///
/// The leaf's part: `SetOnline` (call this one first, build the request key, then
/// `RequestNetObjectNameAndParameter`), the answer (`NetObjectNamesAndParametersReceived`), its
/// drivers (check each with `DriverRegistered`) and its links through `QueueLink`, which records
/// what it made so that `RemoveLinks` undoes exactly that. GUI thread only, except the static
/// failure callback.
class cZUNetWidget : public cWidget, public Quendle::cZUNetWidgetClientInterface
{
    Q_OBJECT

public:
    using tNamesAndParameters = std::list<std::pair<std::string, UWORD>>;
    using tCodeTable = cCodeTable;

    cZUNetWidget(int id, QObject* parent, const cConfigBase& configuration);
    ~cZUNetWidget() override;

    // Virtual operations added after those of cWidget, in this order.
    /// The regular expressions of every request key the widget kind can send.
    virtual std::list<std::string> GetAllObjectRequestRegExps() const = 0;
    virtual bool AllowableUnitType(const QString& unitType) const;

    void Init() override;
    void LoadAttributes(QXmlStreamReader& reader) override;
    void WriteAttributes(QXmlStreamWriter& writer) const override;
    /// On line when the configuration has the widget's unit; sends nothing (the leaf does).
    void SetOnline() override;
    /// Stops listening for names, empties the pairs, then goes off line.
    void SetOffline() override;

    int CurrentUnitId() const;
    void SetCurrentUnitId(int unitId);
    QList<sCodeComboPair> GetUnitComboList() const;
    /// Made on first use, with the configuration's units as entries kept up to date from then on.
    cCodeComboProperty* UnitProperty() const { return const_cast<cUnit&>(mUnit).Object(); }
    const cConfigBase& Configuration() const { return mConfiguration; }
    const tNamesAndParameters& NamesAndParameters() const { return mNetObjectNamesAndParameters; }

    /// Asks the unit's configuration client which objects and parameters `key` denotes; nothing is
    /// sent when the configuration does not have the unit.
    void RequestNetObjectNameAndParameter(const std::string& key);

    /// The one entry of link-failure callbacks, from any thread: the widget with this serial, when
    /// it still exists, emits `FailedToMakeLinkSignal`, traces "Failed to make link!" and shows
    /// disabled (queued to its thread).
    /// Keyed by serial, not address: a new widget at a dead one's address is not disabled.
    static void FailedToMakeLinkCallback(quint64 serial);
    quint64 Serial() const { return mSerial; }
    /// A completion callback for this widget's link commands.
    std::function<void(sParameterLinkingCommand*)> LinkFailureCallback() const;

    /// One link between the widget's objects and the unit's, as queued with the system builder.
    struct sLink {
        std::string mSource;
        UWORD mSourceParameter;
        std::string mDestination;
        UWORD mDestinationParameter;
        bool mSync;
        bool mBidirect;
        /// The unit the link was made through, if any; its side of the link ends with its
        /// connection.
        bool mThroughUnit;
        QPointer<cConnectionUnit> mUnit;
    };
    const std::list<sLink>& Links() const { return mLinks; }

Q_SIGNALS:
    void FailedToMakeLinkSignal();

protected Q_SLOTS:
    void FailedToMakeLink();

private Q_SLOTS:
    void UnitsListChanged();
    void MultiUnitConfigChanged();

protected:
    /// Queues a link, with the failure callback unless told otherwise, and records it.
    void QueueLink(const std::string& source, UWORD sourceParameter, const std::string& destination,
        UWORD destinationParameter, bool sync, bool bidirect, bool withCallback = true);
    /// Queues the removal of every recorded link, without failure callbacks (undoing a link that
    /// is already gone must not disable the widget), and forgets them.
    void RemoveLinks();
    /// Takes a driver out of service: the removal of each recorded link naming it is queued, and
    /// the driver is deleted once the system builder has worked through every command queued so
    /// far. No command then finds it gone, and the unit hears of every removal even when its
    /// delete-list entry for a link just made has not come back yet.
    void RetireDriver(cZUNetDriverBase* driver);
    /// False, with a trace and the widget disabled, when the driver is missing or has no handle:
    /// nothing could link to it.
    bool DriverRegistered(const cZUNetDriverBase* driver);
    /// The configuration's image test; it is not const there.
    bool IsImageRecolourable(const QString& imageId) const;

    tNamesAndParameters mNetObjectNamesAndParameters;

private:
    /// The Unit property: the unit id until its object is asked for.
    class cUnit final : public cLazyTyped<cCodeComboProperty>
    {
    public:
        void Declare(cZUNetWidget& owner) { Enter(owner, "Unit", true); }
        int UnitId() const { return mObject ? Made()->value().toInt() : mUnitId; }
        void SetUnitId(int unitId);

    private:
        cProperty* MakeObject(cWidget& owner, const QString& label) override;

        int mUnitId = -1;
    };

    void UpdateUnitVisibility();
    void StopListening();
    /// Queues the removal of a recorded link, unless its unit's connection ended since: the unit
    /// then dropped it, and a removal would only reach the unit's next connection.
    static void QueueRemoval(const sLink& link);
    /// From any thread: `object` is deleted on its own thread when that thread next turns its events.
    static void DeleteOnItsThread(QObject* object);

    cUnit mUnit;
    const cConfigBase& mConfiguration;
    const quint64 mSerial;
    /// The client the listener was registered with, so it is removed from that one.
    QPointer<cQuendleConfigClient> mNamesClient;
    std::list<sLink> mLinks;

    /// Every constructed, not yet destroyed widget of this kind by serial, and its guard; built on
    /// first use and never destroyed, so a widget that dies late at exit still finds them.
    static std::map<quint64, cZUNetWidget*>& mCurrentZUNetWidgets();
    static QMutex& mCurrentZUNetWidgetsMutex();
};
