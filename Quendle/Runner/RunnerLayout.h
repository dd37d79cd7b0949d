#pragma once

#include "Quendle/AppCommon/QQmlObjectListModel.h"
#include "Quendle/Widgets/Base/Widget.h"

#include <QList>
#include <QObject>
#include <QSet>

class QXmlStreamReader;
class cRunnerConfig;
class cZUNetWidget;

/// One page of a configuration: its top-level widgets in document order, and the orientation and
/// aspect ratio the shell places them with. Made by the configuration's reader, one per `Layout`
/// element; its widgets are its children and go with it. GUI thread only.
class cRunnerLayout : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QQmlObjectListModel<cWidget>* widgets READ widgets CONSTANT)
    Q_PROPERTY(int orientation READ orientation NOTIFY orientationChanged)
    Q_PROPERTY(bool fixedAspectRatio READ fixedAspectRatio NOTIFY fixedAspectRatioChanged)
    Q_PROPERTY(float aspectRatio READ aspectRatio NOTIFY aspectRatioChanged)

public:
    enum eOrientation { OrientationAny = 0, OrientationPortrait = 1, OrientationLandscape = 2 };

    explicit cRunnerLayout(cRunnerConfig* config);

    /// Reads the `Layout` element the reader stands on, whole. Always gives a layout: bad numbers
    /// read as 0, and widgets the factory refuses are left out. With `widgetsLeft`, the widgets,
    /// nested ones included, come out of that count (see `cRunnerWidgetFactory`).
    static cRunnerLayout* CreateFromXml(
        QXmlStreamReader& reader, QSet<int>& ids, cRunnerConfig* config, int* widgetsLeft = nullptr);

    QQmlObjectListModel<cWidget>* widgets() const { return mWidgets; }
    int orientation() const { return mOrientation; }
    bool fixedAspectRatio() const { return mFixedAspectRatio; }
    float aspectRatio() const { return mAspectRatio; }
    cRunnerConfig* Config() const { return mConfig; }

    /// Top-level widgets plus every descendant of the top-level containers.
    Q_INVOKABLE int getTotalNumWidgets();

    /// Each mixer-bound widget on line when its unit is connected and signed in, else off line and
    /// shown disabled.
    void SetOnline();
    /// Binds every mixer-bound widget to one unit (an old single-unit configuration's default unit).
    void SetUnitForAllZUNetWidgets(int unitId);
    /// The mixer-bound widgets, each top-level one followed by its container's descendants.
    void GetAllZUNetWidgets(QList<cZUNetWidget*>& list);

    void SetOrientation(int orientation);
    void SetFixedAspectRatio(bool fixed);
    void SetAspectRatio(float ratio);
    void AddWidget(cWidget* widget);

Q_SIGNALS:
    void orientationChanged();
    void fixedAspectRatioChanged();
    void aspectRatioChanged();

private:
    cRunnerConfig* mConfig;
    QQmlObjectListModel<cWidget>* mWidgets;
    int mOrientation = OrientationAny;
    bool mFixedAspectRatio = false;
    float mAspectRatio = 1.0f;
};
