#pragma once

#include "Quendle/AppCommon/ConfigBase.h"
#include "Quendle/AppCommon/QQmlObjectListModel.h"
#include "Quendle/Runner/ConfigConnectionInterface.h"
#include "Quendle/Runner/RunnerLayout.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <set>

class QIODevice;

/// The runner's one configuration: the units and resources of `cConfigBase` and the layouts, each
/// a page of widgets. Reads a whole configuration file, downloaded from the primary unit or the
/// built-in demo file alike. A document that is not a whole, well-formed configuration is refused
/// with nothing of it kept. Brings every unit of the configuration on line through its connection
/// interface and puts each layout's mixer-bound widgets on and off line with their units. GUI thread
/// only.
class cRunnerConfig : public cConfigBase
{
    Q_OBJECT
    Q_PROPERTY(QQmlObjectListModel<cRunnerLayout>* layouts READ layouts CONSTANT)
    Q_PROPERTY(QObject* connectionInterface READ connectionInterface CONSTANT)

public:
    /// The most widgets a configuration holds, in all its layouts, tabs included; a document with
    /// more is refused.
    static constexpr int kMaxWidgets = 5000;

    /// Declared for QML only.
    enum eUnitType { TarvoMirvane = 0, FrellMirvane = 1, PellMirvane = 2 };
    Q_ENUM(eUnitType)

    /// `application` and `connections` are the application object's two faces; neither is owned.
    cRunnerConfig(QObject* parent, cApplicationInterface* application, cConnectionInterfaceApplication* connections);
    ~cRunnerConfig() override;

    /// Reads the configuration from an open device (a downloaded file, a resource file). On failure
    /// `ErrorText` says why, and no layouts, units or version of the document are kept.
    bool ReadXml(QIODevice& file);
    /// Forgets layouts and units; with `resetResources` the resources as well.
    void Reset(bool resetResources);

    /// Connects every unit of the configuration: the signed-in primary stands in for the
    /// configuration's own record of it and for any unit at the same address. Once per off-line
    /// period.
    Q_INVOKABLE void setOnline();
    /// Disconnects every unit of the configuration; the widgets follow through the interface.
    void SetOffline();

    QQmlObjectListModel<cRunnerLayout>* layouts() const { return mLayouts; }
    QObject* connectionInterface() const { return mConnectionInterface; }
    cConfigConnectionInterface* ConnectionInterface() const { return mConnectionInterface; }
    bool IsOnline() const { return mOnline; }
    QString ErrorText() const { return mErrorText; }
    /// The ids of all resources held, as numbers (text that is not a number counts as 0).
    std::set<int> GetResourcesHeld() const;

    /// The connection unit that serves a unit id: the signed-in primary for the primary's record and
    /// for a unit at the primary's address; null when no unit has the id.
    cConnectionUnit* GetUnit(int unitId) const override;
    bool IsEditorConfig() const override { return false; }

public Q_SLOTS:
    /// Each layout puts its widgets on or off line by their units' state now.
    void SetLayoutsOnline();

private Q_SLOTS:
    /// The interface's reports: the layouts follow only when the units up are not those of the
    /// last pass. One reconnect is reported by several signals, and "some units" again on every
    /// retry of a unit that stays away; each pass has every widget ask for its names again.
    void UnitsUpChanged();

private:
    /// The connection units serving the configuration's records that are connected and signed in.
    QSet<cConnectionUnit*> UnitsUp() const;
    /// Everything read by a refused document goes; resources held before stay.
    void Refuse(const QString& errorText, const QList<cResource*>& resourcesBefore);
    void ReadLayouts(QXmlStreamReader& reader, int& widgetsLeft);
    /// The address a unit is reached at now; empty when it cannot be found.
    QByteArray AddressOf(const cConnectionUnit* unit) const;

    cConnectionInterfaceApplication* mConnections;
    cConfigConnectionInterface* mConnectionInterface;

    QQmlObjectListModel<cRunnerLayout>* mLayouts;
    QString mErrorText;
    bool mOnline = false;
    /// What the last pass over the layouts saw; no pass yet for the layouts held when unset.
    bool mLayoutsPassed = false;
    QSet<cConnectionUnit*> mUnitsUpPassed;
};
