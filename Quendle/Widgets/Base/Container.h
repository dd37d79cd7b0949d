#pragma once

#include "Quendle/AppCommon/QQmlObjectListModel.h"
#include "Quendle/Widgets/Base/Widget.h"

#include <QList>

class QQuickItem;

/// A widget that holds other widgets. It lists them for QML (it does not own them: they keep the
/// parent that `LoadSubXml` was given) and hands on-line, off-line and layout-group operations on
/// to them.
class cContainer : public cWidget
{
    Q_OBJECT
    Q_PROPERTY(QQmlObjectListModel<cWidget>* widgetChildren READ widgetChildren CONSTANT)

public:
    cContainer(int id, QObject* parent);

    bool isContainer() const override { return true; }
    QQmlObjectListModel<cWidget>* widgetChildren() const { return mWidgetChildren; }

    // Virtual operations added to the widget's, in this order.
    /// Where the widget sits in the container (the tab for a tab container); -1 when not a child.
    Q_INVOKABLE virtual int getContainerLocation(cWidget* WidgetToFind) const = 0;
    virtual void AddContainerChild(cWidget* widget, int location);
    virtual void RemoveContainerChild(cWidget* widget);
    virtual QList<QQuickItem*> LinkedContainerQuickItems(int location) = 0;

    void ShiftGroupIndices(int offset) override;
    void SetOnline() override;
    void SetOffline() override;
    int MinimumLayoutGroup() override;

    /// Appends the direct children in order, then the children of each child container, depth
    /// first.
    void GetAllChildren(QList<cWidget*>& list) const;

protected:
    /// Called when a child is destroyed before its container: forget it everywhere.
    virtual void ForgetChild(QObject* child);

private:
    QQmlObjectListModel<cWidget>* mWidgetChildren;
};
