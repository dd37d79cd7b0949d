#pragma once

#include <QList>
#include <QObject>
#include <QString>

class QQuickItem;
class cWidget;

/// One tab of a tab container: its name, the widgets on it and the QML items that show it.
class cTab : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString tabName READ tabName NOTIFY tabNameChanged)

public:
    explicit cTab(QObject* parent);

    QString tabName() const { return mTabName; }
    void SetTabName(const QString& name);

    void AddWidget(cWidget* widget);
    /// Removes every occurrence.
    void RemoveWidget(cWidget* widget);
    const QList<cWidget*>& Widgets() const { return mWidgets; }
    const QList<QQuickItem*>& LinkedItems() const { return mLinkedItems; }

    /// The layout editor's item goes first, others last; a destroyed item drops out.
    Q_INVOKABLE void addLinkedContainerQuickItem(QQuickItem* QuickItem, bool LayoutEditor);

public Q_SLOTS:
    /// Takes the name from the sending property's text.
    void SetTabNameFromProperty();

Q_SIGNALS:
    void tabNameChanged();

private Q_SLOTS:
    void QQuickItemDestroyed(QObject* item);

private:
    QList<cWidget*> mWidgets;
    QList<QQuickItem*> mLinkedItems;
    QString mTabName;
};
