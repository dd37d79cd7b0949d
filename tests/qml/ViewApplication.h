#pragma once

#include "Quendle/AppCommon/QQmlObjectListModel.h"
#include "Quendle/Widgets/Base/Widget.h"
#include "tests/support/quendle/TestConfig.h"

#include <QObject>
#include <QStringList>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>

class QQmlEngine;

/// The connection state the content page shows; the tests set it.
class cViewConnectionInterface : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool lostCommsLowTTL MEMBER mLostCommsLowTTL NOTIFY lostCommsLowTTLChanged)
    Q_PROPERTY(bool allUnitsConnectedAndAuthenticated MEMBER mAllUnitsConnectedAndAuthenticated NOTIFY
            allUnitsConnectedAndAuthenticatedChanged)

public:
    using QObject::QObject;

Q_SIGNALS:
    void lostCommsLowTTLChanged();
    void allUnitsConnectedAndAuthenticatedChanged();

private:
    bool mLostCommsLowTTL = false;
    bool mAllUnitsConnectedAndAuthenticated = true;
};

/// One layout of the configuration as the content page reads it.
class cViewLayout : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject* widgets READ widgets CONSTANT)
    Q_PROPERTY(int orientation MEMBER mOrientation CONSTANT)
    Q_PROPERTY(bool fixedAspectRatio MEMBER mFixedAspectRatio CONSTANT)
    Q_PROPERTY(float aspectRatio MEMBER mAspectRatio CONSTANT)

public:
    cViewLayout(QObject* parent, int orientation, bool fixedAspectRatio, float aspectRatio);
    // The widgets go before the list that names them.
    ~cViewLayout() override;

    QObject* widgets() const { return mWidgets; }
    QQmlObjectListModel<cWidget>* WidgetList() const { return mWidgets; }

    Q_INVOKABLE int getTotalNumWidgets() const;

private:
    QQmlObjectListModel<cWidget>* mWidgets;
    int mOrientation;
    bool mFixedAspectRatio;
    float mAspectRatio;
};

/// The configuration the views see: the real configuration model holding two images (id 1
/// recolourable, red its colour to replace; id 2 plain blue), the layouts and the connection state.
class cViewConfig : public cTestConfig
{
    Q_OBJECT
    Q_PROPERTY(QObject* layouts READ layouts CONSTANT)
    Q_PROPERTY(QObject* connectionInterface READ connectionInterface CONSTANT)

public:
    explicit cViewConfig(cTestApplication* application);

    QObject* layouts() const { return mLayouts; }
    QObject* connectionInterface() const { return mConnectionInterface; }
    QQmlObjectListModel<cViewLayout>* LayoutList() const { return mLayouts; }

private:
    QQmlObjectListModel<cViewLayout>* mLayouts;
    cViewConnectionInterface* mConnectionInterface;
};

/// `_application` as the widget views and the content page use it. Widgets are made from `Widget`
/// elements by the program's own widget factory; views are named by the factory's type table
/// unless a test maps a type to a view of its own (`qmlUrls`, "*" for every other type).
class cViewApplication : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject* currentConfig READ currentConfig CONSTANT)
    Q_PROPERTY(bool isDesktop MEMBER mIsDesktop NOTIFY isDesktopChanged)
    Q_PROPERTY(QStringList fontCodes READ fontCodes CONSTANT)
    Q_PROPERTY(QVariantMap qmlUrls MEMBER mQmlUrls NOTIFY qmlUrlsChanged)
    Q_PROPERTY(QStringList builtTypes READ builtTypes CONSTANT)

public:
    cViewApplication();
    ~cViewApplication() override;

    QObject* currentConfig() { return &mConfig; }
    QStringList fontCodes() const;
    /// The type keys of the factory's table whose widget class is built.
    QStringList builtTypes() const;
    const cApplicationInterface& Interface() const { return mApplication; }

    Q_INVOKABLE QString getQmlUrlForType(const QString& type) const;
    /// The view of a type as the content page reaches it: the factory's path taken from the page.
    Q_INVOKABLE QUrl viewUrl(const QString& type) const;

    /// The top-level widgets of a `Layout` document; they live as long as this object.
    Q_INVOKABLE QVariantList load(const QString& document);
    /// Appends a layout whose widgets are the `Widget` elements of `widgetsXml`.
    Q_INVOKABLE QObject* addLayout(
        int orientation, bool fixedAspectRatio, double aspectRatio, const QString& widgetsXml);
    /// Deletes every layout and its widgets at once, as a configuration reset does.
    Q_INVOKABLE void clearLayouts();
    /// The widget of that id in a layout, containers' children included.
    Q_INVOKABLE QObject* findWidget(int layoutIndex, int widgetId) const;
    /// How many completion items all widgets of all layouts hold.
    Q_INVOKABLE int completionItemCount() const;
    /// As the configuration does when the image behind an id is replaced.
    Q_INVOKABLE void changeResource(const QString& id) { Q_EMIT mConfig.ResourceChanged(id); }

Q_SIGNALS:
    void isDesktopChanged();
    void qmlUrlsChanged();

private:
    QList<cWidget*> Read(const QString& document, QObject* parent);

    cTestApplication mApplication;
    cViewConfig mConfig;
    bool mIsDesktop = false;
    QVariantMap mQmlUrls;
};

/// What every view test registers: the widget layer's real registration, one `cViewApplication` as
/// `_application` (deleted after the engine), the real image provider on its configuration, and a
/// recording stand-in for the platform singleton.
void RegisterViewTestTypes(QQmlEngine* engine);
