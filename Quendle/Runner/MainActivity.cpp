#include "Quendle/Runner/MainActivity.h"

#include "Quendle/Runner/PlatformShell.h"

#include <QDesktopServices>
#include <QUrl>

cMainActivity* cMainActivity::mInstance = nullptr;
std::mutex cMainActivity::mInstanceMutex;

cMainActivity::~cMainActivity()
{
    std::lock_guard<std::mutex> lock(mInstanceMutex);
    if (mInstance == this)
        mInstance = nullptr;
}

QObject* cMainActivity::CreateSingleton(QQmlEngine*, QJSEngine*)
{
    std::lock_guard<std::mutex> lock(mInstanceMutex);
    if (mInstance == nullptr)
        mInstance = new cMainActivity;
    return mInstance;
}

// The state changes under the locks; the signal goes out after both are released, so a slot that
// calls a setter again does not wait on itself.
void cMainActivity::SetAppPaused(bool paused)
{
    cMainActivity* instance = nullptr;
    {
        std::lock_guard<std::mutex> lock(mInstanceMutex);
        if (mInstance == nullptr)
            return;
        std::lock_guard<std::mutex> stateLock(mInstance->mStateMutex);
        if (mInstance->mAppPaused == paused)
            return;
        mInstance->mAppPaused = paused;
        instance = mInstance;
    }
    Q_EMIT instance->appPausedChanged();
}

void cMainActivity::SetWifiNetworkName(const QString& name)
{
    QString stripped = name;
    stripped.remove(QLatin1Char('"'));
    cMainActivity* instance = nullptr;
    {
        std::lock_guard<std::mutex> lock(mInstanceMutex);
        if (mInstance == nullptr)
            return;
        std::lock_guard<std::mutex> stateLock(mInstance->mStateMutex);
        if (mInstance->mWifiNetworkName == stripped)
            return;
        mInstance->mWifiNetworkName = stripped;
        instance = mInstance;
    }
    Q_EMIT instance->wifiNetworkNameChanged();
}

QString cMainActivity::wifiNetworkName() const
{
    std::lock_guard<std::mutex> lock(mStateMutex);
    return mWifiNetworkName;
}

void cMainActivity::lockOrientation(bool, bool) { }

void cMainActivity::setKioskMode(bool) { }

QString cMainActivity::HelpFilePath()
{
    return cPlatformShell::Instance().BundleDir() + QStringLiteral("Contents/Resources/Help/Help.html");
}

void cMainActivity::openHelp(int, int, int, int)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(HelpFilePath()));
}

void cMainActivity::closeHelp() { }

void cMainActivity::resizeHelp(int, int, int, int) { }

cDummyWebView::cDummyWebView(QQuickItem* parent)
    : QQuickItem(parent)
{
    connect(this, &QQuickItem::windowChanged, this, &cDummyWebView::onWindowChanged);
    connect(this, &QQuickItem::visibleChanged, this, &cDummyWebView::onVisibleChanged);
}

void cDummyWebView::geometryChanged(const QRectF& newGeometry, const QRectF& oldGeometry)
{
    QQuickItem::geometryChanged(newGeometry, oldGeometry);
}

void cDummyWebView::onWindowChanged(QQuickWindow*) { }

void cDummyWebView::onVisibleChanged() { }
