#include "Quendle/Properties/PropertyGroup.h"

cPropertyGroup::cPropertyGroup(const QString& name, QObject* parent, bool expanded)
    : cPropertyBase(name, parent)
    , mExpanded(expanded)
    , mContents(new QQmlObjectListModel<cPropertyBase>(this))
{
}

void cPropertyGroup::setExpanded(bool expanded)
{
    if (expanded == mExpanded)
        return;
    mExpanded = expanded;
    Q_EMIT expandedChanged();
}

void cPropertyGroup::AppendPropertyOrGroup(cPropertyBase* item)
{
    mContents->append(item);
}

void cPropertyGroup::PrependPropertyOrGroup(cPropertyBase* item)
{
    mContents->prepend(item);
}

void cPropertyGroup::RemovePropertyOrGroup(cPropertyBase* item)
{
    mContents->remove(item);
}

void cPropertyGroup::AppendContents(const QList<cPropertyBase*>& items)
{
    for (cPropertyBase* item : items)
        mContents->append(item);
}

void cPropertyGroup::ClearContents()
{
    mContents->clear();
}

QList<cPropertyBase*> cPropertyGroup::Contents() const
{
    return mContents->toList();
}

QList<cProperty*> cPropertyGroup::AllProperties() const
{
    QList<cProperty*> properties;
    for (cPropertyBase* item : mContents->toList()) {
        if (auto* group = qobject_cast<cPropertyGroup*>(item))
            properties.append(group->AllProperties());
        else if (auto* property = qobject_cast<cProperty*>(item))
            properties.append(property);
    }
    return properties;
}
