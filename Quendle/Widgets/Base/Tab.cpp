#include "Quendle/Widgets/Base/Tab.h"

#include "Quendle/Properties/Property.h"

#include <QQuickItem>

#include <algorithm>

cTab::cTab(QObject* parent)
    : QObject(parent)
{
}

void cTab::SetTabName(const QString& name)
{
    if (mTabName == name)
        return;
    mTabName = name;
    Q_EMIT tabNameChanged();
}

void cTab::SetTabNameFromProperty()
{
    if (auto* property = qobject_cast<cProperty*>(sender()))
        SetTabName(property->stringValue());
}

void cTab::AddWidget(cWidget* widget)
{
    mWidgets.append(widget);
}

void cTab::RemoveWidget(cWidget* widget)
{
    mWidgets.removeAll(widget);
}

void cTab::addLinkedContainerQuickItem(QQuickItem* QuickItem, bool LayoutEditor)
{
    if (QuickItem == nullptr)
        return;
    if (LayoutEditor)
        mLinkedItems.prepend(QuickItem);
    else
        mLinkedItems.append(QuickItem);
    connect(QuickItem, &QObject::destroyed, this, &cTab::QQuickItemDestroyed, Qt::UniqueConnection);
}

void cTab::QQuickItemDestroyed(QObject* item)
{
    // Half destroyed: compare addresses only.
    mLinkedItems.erase(std::remove_if(mLinkedItems.begin(), mLinkedItems.end(),
                           [item](QQuickItem* held) { return static_cast<QObject*>(held) == item; }),
        mLinkedItems.end());
}
