#pragma once

#include "Quendle/AppCommon/ConfigBase.h"
#include "Quendle/AppCommon/QQmlObjectListModel.h"
#include "Quendle/Runner/RunnerLayout.h"

#include <QObject>
#include <QString>

#include <set>

class QIODevice;

/// The runner's one configuration: the units and resources of `cConfigBase` and the layouts, each
/// a page of widgets. Reads a whole configuration file, downloaded from the primary unit or the
/// built-in demo file alike. A document that is not a whole, well-formed configuration is refused
/// with nothing of it kept. GUI thread only.
class cRunnerConfig : public cConfigBase
{
    Q_OBJECT
    Q_PROPERTY(QQmlObjectListModel<cRunnerLayout>* layouts READ layouts CONSTANT)

public:
    /// Declared for QML only.
    enum eUnitType { TarvoMirvane = 0, FrellMirvane = 1, PellMirvane = 2 };
    Q_ENUM(eUnitType)

    cRunnerConfig(QObject* parent, cApplicationInterface* application);
    ~cRunnerConfig() override;

    /// Reads the configuration from an open device (a downloaded file, a resource file). On failure
    /// `ErrorText` says why, and no layouts, units or version of the document are kept.
    bool ReadXml(QIODevice& file);
    /// Forgets layouts and units; with `resetResources` the resources as well.
    void Reset(bool resetResources);

    QQmlObjectListModel<cRunnerLayout>* layouts() const { return mLayouts; }
    QString ErrorText() const { return mErrorText; }
    /// The ids of all resources held, as numbers (text that is not a number counts as 0).
    std::set<int> GetResourcesHeld() const;

    cConnectionUnit* GetUnit(int unitId) const override;
    bool IsEditorConfig() const override { return false; }

private:
    /// Everything read by a refused document goes; resources held before stay.
    void Refuse(const QString& errorText, const QList<cResource*>& resourcesBefore);
    void ReadLayouts(QXmlStreamReader& reader);

    QQmlObjectListModel<cRunnerLayout>* mLayouts;
    QString mErrorText;
};
