#include "Quendle/Properties/PropertyGroup.h"

cPropertyGroup::cPropertyGroup(const QString& name, QObject* parent, bool expanded)
    : cPropertyBase(name, parent)
    , mExpanded(expanded)
{
}

void cPropertyGroup::setExpanded(bool expanded)
{
    if (expanded == mExpanded)
        return;
    mExpanded = expanded;
    Q_EMIT expandedChanged();
}

QQmlObjectListModelBase* cPropertyGroup::contents() const
{
    return Model();
}

QQmlObjectListModel<cPropertyBase>* cPropertyGroup::Model() const
{
    // Most groups are never shown: the model and its connections are built on first use only.
    if (mContents == nullptr) {
        mContents = new QQmlObjectListModel<cPropertyBase>(const_cast<cPropertyGroup*>(this));
        mContents->append(mPending);
        mPending.clear();
    }
    return mContents;
}

void cPropertyGroup::AppendPropertyOrGroup(cPropertyBase* item)
{
    // An item without a parent is taken by the model, so it needs the model now.
    if (mContents != nullptr || (item != nullptr && item->parent() == nullptr)) {
        Model()->append(item);
        return;
    }
    if (item != nullptr && !mPending.contains(item))
        mPending.append(item);
}

void cPropertyGroup::PrependPropertyOrGroup(cPropertyBase* item)
{
    if (mContents != nullptr || (item != nullptr && item->parent() == nullptr)) {
        Model()->prepend(item);
        return;
    }
    if (item != nullptr && !mPending.contains(item))
        mPending.prepend(item);
}

void cPropertyGroup::RemovePropertyOrGroup(cPropertyBase* item)
{
    if (mContents != nullptr)
        mContents->remove(item);
    else
        mPending.removeOne(item);
}

void cPropertyGroup::AppendContents(const QList<cPropertyBase*>& items)
{
    mPending.reserve(mPending.count() + items.count());
    for (cPropertyBase* item : items)
        AppendPropertyOrGroup(item);
}

void cPropertyGroup::ClearContents()
{
    if (mContents != nullptr)
        mContents->clear();
    else
        mPending.clear();
}

QList<cPropertyBase*> cPropertyGroup::Contents() const
{
    return mContents != nullptr ? mContents->toList() : mPending;
}

QList<cProperty*> cPropertyGroup::AllProperties() const
{
    QList<cProperty*> properties;
    for (cPropertyBase* item : Contents()) {
        if (auto* group = qobject_cast<cPropertyGroup*>(item))
            properties.append(group->AllProperties());
        else if (auto* property = qobject_cast<cProperty*>(item))
            properties.append(property);
    }
    return properties;
}
