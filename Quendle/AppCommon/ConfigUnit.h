#pragma once

#include "Quendle/AppCommon/ConnectionUnit.h"
#include "Quendle/AppCommon/QQmlObjectListModel.h"

class QXmlStreamReader;
class QXmlStreamWriter;

/// A unit as a layout configuration names it: a connection unit with the id widgets refer to it
/// by, a primary-unit mark and its properties for editing. Its parent is the configuration.
class cConfigUnit : public cConnectionUnit
{
    Q_OBJECT
    Q_PROPERTY(QQmlObjectListModel<cProperty>* properties READ properties CONSTANT)
    Q_PROPERTY(int unitId READ unitId NOTIFY unitIdChanged)
    Q_PROPERTY(bool selected READ selected NOTIFY selectedChanged)
    Q_PROPERTY(bool isPrimaryUnit READ isPrimaryUnit NOTIFY isPrimaryUnitChanged)

public:
    cConfigUnit(QObject* parent, int unitId, const QString& nameOrIpAddress, const QString& type, bool isPrimaryUnit,
        const QString& unitFinderIpAddress, const cConfigBase* config);

    /// Reads the `Unit` element the reader stands on, whole; null when it is refused. `password`
    /// receives the decoded password when the element has one.
    static cConfigUnit* CreateFromXML(QXmlStreamReader& reader, cConfigBase* config, QByteArray& password);
    void WriteXml(QXmlStreamWriter& writer, const QString& password) const;

    QQmlObjectListModel<cProperty>* properties() const { return mProperties; }
    int unitId() const { return mUnitId; }
    bool selected() const { return mSelected; }
    bool isPrimaryUnit() const { return mIsPrimaryUnit; }
    const cConfigBase* Config() const { return mConfig; }

    void SetPrimaryUnit();
    void UnsetPrimaryUnit();
    void SetSelected(bool selected);

    static constexpr int kPasswordLength = 64;

Q_SIGNALS:
    void unitIdChanged();
    void selectedChanged();
    void isPrimaryUnitChanged();

private Q_SLOTS:
    void IsPrimaryUnitChanged();

private:
    QQmlObjectListModel<cProperty>* mProperties;
    int mUnitId;
    bool mSelected = false;
    bool mIsPrimaryUnit;
    const cConfigBase* mConfig;
};
