#pragma once

#include "Quendle/AppCommon/QQmlObjectListModel.h"
#include "Quendle/Properties/Property.h"

#include <QList>

/// A named, foldable list of properties and sub-groups; QML shows it as a tree. The group does not
/// own what it lists: the items belong to their own parents.
class cPropertyGroup : public cPropertyBase
{
    Q_OBJECT
    Q_PROPERTY(bool expanded READ expanded WRITE setExpanded NOTIFY expandedChanged)
    Q_PROPERTY(QQmlObjectListModelBase* contents READ contents CONSTANT)

public:
    cPropertyGroup(const QString& name, QObject* parent, bool expanded);

    bool expanded() const { return mExpanded; }
    void setExpanded(bool expanded);
    QQmlObjectListModelBase* contents() const;

    void AppendPropertyOrGroup(cPropertyBase* item);
    void PrependPropertyOrGroup(cPropertyBase* item);
    void RemovePropertyOrGroup(cPropertyBase* item);
    void AppendContents(const QList<cPropertyBase*>& items);
    void ClearContents();
    QList<cPropertyBase*> Contents() const;
    /// Every property, sub-groups replaced by their own properties, depth first.
    QList<cProperty*> AllProperties() const;

    bool isGroup() const override { return true; }

Q_SIGNALS:
    void expandedChanged();

private:
    QQmlObjectListModel<cPropertyBase>* Model() const;

    bool mExpanded;
    // The items until the model is first asked for; then the model holds them.
    mutable QList<cPropertyBase*> mPending;
    mutable QQmlObjectListModel<cPropertyBase>* mContents = nullptr;
};
