#pragma once

#include "Quendle/AppCommon/ConfigBase.h"

#include <QBuffer>
#include <QXmlStreamReader>

/// The application as the configuration model sees it: a primary unit and the configuration.
class cTestApplication : public QObject, public cApplicationInterface
{
public:
    cConnectionUnit* PrimaryUnit() const override { return mPrimary; }
    const cImageSource* CurrentImageSource() const override { return mImages; }

    cConnectionUnit* mPrimary = nullptr;
    const cImageSource* mImages = nullptr;
};

/// The smallest concrete configuration: units found by id, an editor's only when asked. Reads documents of
/// the runner's shape (root with `Units` and `Resources`) the way the runner's reader hands them on.
class cTestConfig : public cConfigBase
{
public:
    explicit cTestConfig(cTestApplication* application)
        : cConfigBase(application, application)
    {
        application->mImages = this;
    }
    cConnectionUnit* GetUnit(int unitId) const override
    {
        for (cConfigUnit* unit : units()->toList()) {
            if (unit->unitId() == unitId)
                return unit;
        }
        return nullptr;
    }
    bool IsEditorConfig() const override { return mEditor; }
    void SetUnitPassword(cConfigUnit* unit, QByteArray password) override
    {
        mPasswords.append(qMakePair(unit->unitId(), password));
    }

    /// Reads the root's `Units` and `Resources` children; false when the stream ends in an error.
    bool ReadDocument(const QByteArray& document)
    {
        QXmlStreamReader reader(document);
        if (!reader.readNextStartElement())
            return false;
        while (reader.readNextStartElement()) {
            if (reader.name() == QLatin1String("Units"))
                ReadUnitsFromXml(reader);
            else if (reader.name() == QLatin1String("Resources"))
                ReadResourcesXml(reader, true);
            else
                reader.skipCurrentElement();
        }
        return !reader.hasError();
    }

    QList<QPair<int, QByteArray>> mPasswords;
    bool mEditor = false; // an editor's configuration
};
