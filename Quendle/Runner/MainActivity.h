#pragma once

#include <QObject>
#include <QQuickItem>
#include <QQuickWindow>
#include <QString>

#include <mutex>

class QJSEngine;
class QQmlEngine;

/// The host platform's application shell as QML sees it: the singleton `MainActivity` of the
/// module "MainActivitySingleton" 1.0. On the desktop only `openHelp` acts; nothing here sets the
/// Wi-Fi name or the paused flag. The static setters and the provider may be called from any
/// thread; the instance itself is made and deleted by the QML engine on the GUI thread.
class cMainActivity : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString wifiNetworkName READ wifiNetworkName NOTIFY wifiNetworkNameChanged)
    Q_PROPERTY(bool kioskModeAvailable READ kioskModeAvailable CONSTANT)
    Q_PROPERTY(bool gestureNavigation READ gestureNavigation CONSTANT)

public:
    ~cMainActivity() override;

    /// The singleton provider: makes the instance on the first call, then returns it.
    static QObject* CreateSingleton(QQmlEngine* engine, QJSEngine* scriptEngine);
    /// Without an instance these do nothing.
    static void SetAppPaused(bool paused);
    /// Double quotes are dropped from the name.
    static void SetWifiNetworkName(const QString& name);

    QString wifiNetworkName() const;
    bool kioskModeAvailable() const { return true; }
    bool gestureNavigation() const { return mGestureNavigationCount > 0; }

    Q_INVOKABLE void lockOrientation(bool Lock, bool Portrait);
    Q_INVOKABLE void setKioskMode(bool On);
    /// Opens "Contents/Resources/Help/Help.html" in the program's folder with the desktop's
    /// handler; the placement is for platforms that show help inside the window.
    Q_INVOKABLE void openHelp(int X, int Y, int Width, int Height);
    Q_INVOKABLE void closeHelp();
    Q_INVOKABLE void resizeHelp(int X, int Y, int Width, int Height);

    static QString HelpFilePath();

Q_SIGNALS:
    void wifiNetworkNameChanged();
    void appPausedChanged();

private:
    cMainActivity() = default;

    static cMainActivity* mInstance;
    static std::mutex mInstanceMutex;

    mutable std::mutex mStateMutex;
    QString mWifiNetworkName;
    bool mAppPaused = false;
    int mGestureNavigationCount = 0;
};

/// The help page's web view on platforms that embed one; draws nothing here. QML type
/// `IOSWebView` of the module "IOSWebView" 1.0.
class cDummyWebView : public QQuickItem
{
    Q_OBJECT

public:
    explicit cDummyWebView(QQuickItem* parent = nullptr);

protected:
    void geometryChanged(const QRectF& newGeometry, const QRectF& oldGeometry) override;

private Q_SLOTS:
    void onWindowChanged(QQuickWindow* window);
    void onVisibleChanged();
};
