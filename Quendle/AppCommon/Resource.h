#pragma once

#include "Quendle/AppCommon/QQmlObjectListModel.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

class QXmlStreamWriter;
class cConfigBase;
class cProperty;
class cStringProperty;
class cTextBlockProperty;

/// The common part of every resource of a configuration: id, group, tags, selection and the
/// editable properties Name, Type, Tags and Layouts. Subclasses give the type and the writer.
class cResource : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString resourceId READ resourceId NOTIFY resourceIdChanged)
    Q_PROPERTY(cProperty* nameProperty READ nameQmlProperty CONSTANT)
    Q_PROPERTY(bool selected READ selected NOTIFY selectedChanged)
    Q_PROPERTY(QQmlObjectListModel<cProperty>* properties READ properties CONSTANT)
    Q_PROPERTY(QString type READ type NOTIFY typeChanged)

public:
    cResource(QObject* parent, QString resourceId, const QString& name, const QString& typeText, const QString& group,
        const QStringList& tags, const cConfigBase* config);
    ~cResource() override;

    virtual QString type() const = 0;
    virtual void WriteXml(QXmlStreamWriter& writer, bool writeIds) const = 0;

    QString resourceId() const { return mResourceId; }
    QString Name() const;
    cStringProperty* nameProperty() const { return mNameProperty; }
    bool selected() const { return mSelected; }
    QQmlObjectListModel<cProperty>* properties() const { return mProperties; }
    QString Group() const { return mGroup; }
    const QSet<QString>& Tags() const { return mTags; }
    const cConfigBase* Config() const { return mConfig; }

    QString TagsToTextBlock() const;
    void SetSelected(bool selected);
    void SetLayoutNames(const QStringList& names);

    /// The resource group of resources read outside any group.
    static const QString& CustomGroupName();

Q_SIGNALS:
    void resourceIdChanged();
    void typeChanged();
    void selectedChanged();

private Q_SLOTS:
    void TagsPropertyChanged();

private:
    cProperty* nameQmlProperty() const;

    QQmlObjectListModel<cProperty>* mProperties;
    cStringProperty* mNameProperty;
    cTextBlockProperty* mTagsProperty;
    cTextBlockProperty* mLayoutsProperty;
    const cConfigBase* mConfig;
    QString mResourceId;
    cStringProperty* mTypeProperty;
    bool mSelected = false;
    QString mGroup;
    QSet<QString> mTags;
};
