#include "Quendle/Widgets/Base/Container.h"

#include <algorithm>

cContainer::cContainer(int id, QObject* parent)
    : cWidget(id, parent)
    , mWidgetChildren(new QQmlObjectListModel<cWidget>(this))
{
}

void cContainer::AddContainerChild(cWidget* widget, int location)
{
    if (widget == nullptr || mWidgetChildren->contains(widget))
        return;
    mWidgetChildren->append(widget);
    connect(widget, &QObject::destroyed, this, &cContainer::ForgetChild, Qt::UniqueConnection);
}

void cContainer::RemoveContainerChild(cWidget* widget)
{
    if (widget == nullptr || !mWidgetChildren->contains(widget))
        return;
    disconnect(widget, &QObject::destroyed, this, &cContainer::ForgetChild);
    mWidgetChildren->remove(widget);
}

void cContainer::ForgetChild(QObject* child)
{
    // Half destroyed: find it by address only.
    const QList<cWidget*>& children = mWidgetChildren->toList();
    for (int i = 0; i < children.count(); ++i) {
        if (static_cast<QObject*>(children.at(i)) == child) {
            mWidgetChildren->remove(i);
            return;
        }
    }
}

void cContainer::ShiftGroupIndices(int offset)
{
    cWidget::ShiftGroupIndices(offset);
    for (cWidget* child : mWidgetChildren->toList())
        child->ShiftGroupIndices(offset);
}

void cContainer::SetOnline()
{
    cWidget::SetOnline();
    for (cWidget* child : mWidgetChildren->toList()) {
        if (!child->IsOnline())
            child->SetOnline();
    }
}

void cContainer::SetOffline()
{
    cWidget::SetOffline();
    for (cWidget* child : mWidgetChildren->toList())
        child->SetOffline();
}

int cContainer::MinimumLayoutGroup()
{
    int minimum = cWidget::MinimumLayoutGroup();
    for (cWidget* child : mWidgetChildren->toList())
        minimum = std::min(minimum, child->MinimumLayoutGroup());
    return minimum;
}

void cContainer::GetAllChildren(QList<cWidget*>& list) const
{
    const QList<cWidget*> children = mWidgetChildren->toList();
    list.append(children);
    for (cWidget* child : children) {
        if (auto* container = qobject_cast<cContainer*>(child))
            container->GetAllChildren(list);
    }
}
