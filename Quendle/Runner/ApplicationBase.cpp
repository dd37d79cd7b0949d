#include "Quendle/Runner/ApplicationBase.h"

#include "Quendle/AppCommon/AppCommonQml.h"
#include "Quendle/AppCommon/ConnectionUnit.h"
#include "Quendle/AppCommon/FoundUnitsManager.h"
#include "Quendle/AppCommon/PasswordHashing.h"
#include "Quendle/AppCommon/QuendleFonts.h"
#include "Quendle/AppCommon/SettingsKeys.h"
#include "ZUNet/QT/NetworkConnection.h"
#include "ZUNet/QT/NetworkStack.h"

#include <QDataStream>
#include <QGuiApplication>
#include <QIODevice>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QWindow>

#include <limits>

cApplicationBase::cApplicationBase()
    : QObject(nullptr)
    , mGeometryTimer(new QTimer(this))
    , mStoredGeometry(DefaultGeometry())
    , mPendingGeometry(DefaultGeometry())
    , mFontCodes(cQuendleFonts::mFontCodesToNames.keys())
{
    mGeometryTimer->setSingleShot(true);
    mGeometryTimer->setInterval(kGeometryDelayMs);
    connect(mGeometryTimer, &QTimer::timeout, this, &cApplicationBase::ApplyGeometryChange);
    LoadWindowGeometry();
}

cApplicationBase::~cApplicationBase()
{
    // A move or resize shortly before quitting has not been taken over yet.
    if (mGeometryTimer->isActive()) {
        mGeometryTimer->stop();
        ApplyGeometryChange();
    }
    StoreWindowGeometry();
    delete mPrimaryUnit;
    mPrimaryUnit = nullptr;
    delete mFoundUnitsManager;
    mFoundUnitsManager = nullptr;
    StopZUNet();
}

const QString& cApplicationBase::VersionText()
{
    static const QString text = QStringLiteral("V1.3.1");
    return text;
}

const QString& cApplicationBase::FullVersionText()
{
    static const QString text = QStringLiteral("V1.3.1 - Rev. 76722");
    return text;
}

const QString& cApplicationBase::GeometryKey()
{
    static const QString key = cSettingsKeys::Geometry;
    return key;
}

const QRect& cApplicationBase::DefaultGeometry()
{
    static const QRect geometry(100, 100, 1024, 768);
    return geometry;
}

QString cApplicationBase::version() const
{
    static const QRegularExpression expression(QStringLiteral("V?(\\d+\\.\\d+\\.\\d+)X?"));
    return expression.match(VersionText()).captured(1);
}

QString cApplicationBase::fontCodeToName(QString FontCode) const
{
    return cQuendleFonts::mFontCodesToNames.value(FontCode);
}

void cApplicationBase::StartZUNet()
{
    if (mNetwork)
        return;
    mNetwork = std::make_unique<cNetworkStack>(cNetworkStack::AllParts, CONNECTION_TERMINATED_ABORT_COMMANDS);
    if (mFoundUnitsManager) {
        mFoundUnitsManager->SetZUNetNetworkConnection(mNetwork->Connections());
        mFoundUnitsManager->StartUnitFinder();
    }
    mNetwork->Start();
}

void cApplicationBase::StopZUNet()
{
    mNetwork.reset();
}

void cApplicationBase::SetPrimaryUnit(cConnectionUnit* unit)
{
    delete mPrimaryUnit;
    mPrimaryUnit = unit;
    if (mPrimaryUnit)
        connect(mPrimaryUnit, &cConnectionUnit::connectedChanged, this, &cApplicationBase::primaryUnitConnectedChanged);
    Q_EMIT primaryUnitChanged();
}

void cApplicationBase::disconnectAndRemovePrimaryUnit()
{
    if (!mPrimaryUnit)
        return;
    mPrimaryUnit->disconnectFromUnit();
    delete mPrimaryUnit;
    mPrimaryUnit = nullptr;
    Q_EMIT primaryUnitChanged();
}

void cApplicationBase::applicationWindowReady()
{
    const QWindowList windows = QGuiApplication::topLevelWindows();
    QWindow* window = nullptr;
    if (windows.size() == 1) {
        window = windows.first();
    } else {
        for (QWindow* candidate : windows) {
            if (candidate->title().startsWith(QLatin1String("Quendle Editor"))) {
                window = candidate;
                break;
            }
        }
    }
    if (window == nullptr)
        return;
    mMainWindow = window;
    SetMainWindowGeometry();
    connect(window, &QWindow::windowStateChanged, this, &cApplicationBase::WindowStateChanged, Qt::UniqueConnection);
    connect(window, &QWindow::xChanged, this, &cApplicationBase::SetWindowX, Qt::UniqueConnection);
    connect(window, &QWindow::yChanged, this, &cApplicationBase::SetWindowY, Qt::UniqueConnection);
    connect(window, &QWindow::widthChanged, this, &cApplicationBase::SetWindowWidth, Qt::UniqueConnection);
    connect(window, &QWindow::heightChanged, this, &cApplicationBase::SetWindowHeight, Qt::UniqueConnection);
}

void cApplicationBase::SetMainWindowGeometry()
{
    if (mMainWindow)
        mMainWindow->setGeometry(mStoredGeometry);
}

bool cApplicationBase::ReadGeometry(const QByteArray& data, QRect& geometry, int& windowState)
{
    QDataStream stream(data);
    qint32 x = 0, y = 0, w = 0, h = 0, state = 0;
    stream >> x >> y >> w >> h >> state;
    // Short or damaged data would put a window of no size on the screen.
    if (stream.status() != QDataStream::Ok || w <= 0 || h <= 0)
        return false;
    // Bounded first, so that no sum of them overflows: no window system takes more anyway.
    geometry = QRect(qBound(-kMaxWindowCoordinate, x, kMaxWindowCoordinate),
        qBound(-kMaxWindowCoordinate, y, kMaxWindowCoordinate), qMin(w, kMaxWindowSize), qMin(h, kMaxWindowSize));
    windowState = state;
    return true;
}

QByteArray cApplicationBase::WriteGeometry(const QRect& geometry, int windowState)
{
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream << qint32(geometry.x()) << qint32(geometry.y()) << qint32(geometry.width()) << qint32(geometry.height())
           << qint32(windowState);
    return data;
}

void cApplicationBase::LoadWindowGeometry()
{
    const QByteArray data = QSettings().value(GeometryKey()).toByteArray();
    QRect geometry;
    int state = 0;
    const bool stored = !data.isEmpty() && ReadGeometry(data, geometry, state);
    if (stored) {
        mStoredGeometry = geometry;
        // Reopened as it was, but not minimised; bits no window state has are damage.
        mStoredWindowState = state & int(Qt::WindowMaximized | Qt::WindowFullScreen);
    }
    QVector<QRect> available;
    QRect primary;
    if (ScreenAreas(available, primary)) {
        int x = mStoredGeometry.x(), y = mStoredGeometry.y();
        int w = mStoredGeometry.width(), h = mStoredGeometry.height();
        FitToScreens(x, y, w, h, available, primary);
        // Even where it is kept, a stored window never outgrows all the screens together: one that
        // does has more pixels than anything can draw.
        if (stored)
            LimitToScreens(w, h, available, primary);
        mStoredGeometry = QRect(x, y, w, h);
    }
    // The first move of the window takes the pending geometry over whole: a size it still held from
    // the settings would come back with it.
    mPendingGeometry = mStoredGeometry;
}

void cApplicationBase::StoreWindowGeometry() const
{
    QSettings().setValue(GeometryKey(), WriteGeometry(mStoredGeometry, mStoredWindowState));
}

bool cApplicationBase::ScreenAreas(QVector<QRect>& available, QRect& primary)
{
    QScreen* primaryScreen = QGuiApplication::primaryScreen();
    if (primaryScreen == nullptr)
        return false;
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* screen : screens)
        available.append(screen->availableGeometry());
    primary = primaryScreen->availableGeometry();
    return true;
}

void cApplicationBase::ReSizeWindowToFitScreen(int& X, int& Y, int& W, int& H) const
{
    QVector<QRect> available;
    QRect primary;
    if (ScreenAreas(available, primary))
        FitToScreens(X, Y, W, H, available, primary);
}

void cApplicationBase::FitToScreens(
    int& X, int& Y, int& W, int& H, const QVector<QRect>& available, const QRect& primary)
{
    // In 64 bits: a stored geometry may lie anywhere an int reaches.
    const QPoint topLeft(X, Y);
    const qint64 right = qint64(X) + W;
    bool onScreen = false;
    for (const QRect& area : available) {
        if (area.contains(topLeft) || (right <= std::numeric_limits<int>::max() && area.contains(int(right), Y))) {
            onScreen = true;
            break;
        }
    }
    // Clamped against 0 and the available size, not the area's own origin.
    const qint64 availW = qint64(primary.right()) - primary.left() + 1;
    const qint64 availH = qint64(primary.bottom()) - primary.top() + 1;
    if (!onScreen && availW > 0 && availH > 0) {
        if (W > availW)
            W = int(availW);
        if (H > availH)
            H = int(availH);
        if (X < 0)
            X = 0;
        else if (X > availW)
            X = int(availW - W);
        if (Y < 0)
            Y = 0;
        else if (Y > availH)
            Y = int(availH - H);
    }
}

void cApplicationBase::LimitToScreens(int& W, int& H, const QVector<QRect>& available, const QRect& primary)
{
    QRect desktop = primary;
    for (const QRect& area : available)
        desktop = desktop.united(area);
    if (desktop.isEmpty())
        return;
    W = qMin(W, desktop.width());
    H = qMin(H, desktop.height());
}

void cApplicationBase::TakePendingCoordinate(int& pending, int value, int stored)
{
    if (value == stored || mKioskMode)
        return;
    pending = value;
    mGeometryTimer->start();
}

void cApplicationBase::SetWindowX(int X)
{
    int x = mPendingGeometry.x();
    TakePendingCoordinate(x, X, mStoredGeometry.x());
    mPendingGeometry.moveLeft(x);
}

void cApplicationBase::SetWindowY(int Y)
{
    int y = mPendingGeometry.y();
    TakePendingCoordinate(y, Y, mStoredGeometry.y());
    mPendingGeometry.moveTop(y);
}

void cApplicationBase::SetWindowWidth(int W)
{
    int w = mPendingGeometry.width();
    TakePendingCoordinate(w, W, mStoredGeometry.width());
    mPendingGeometry.setWidth(w);
}

void cApplicationBase::SetWindowHeight(int H)
{
    int h = mPendingGeometry.height();
    TakePendingCoordinate(h, H, mStoredGeometry.height());
    mPendingGeometry.setHeight(h);
}

void cApplicationBase::ApplyGeometryChange()
{
    // A maximised or full-screen window's geometry is not the one to reopen with.
    if (mStoredWindowState != 0)
        mPendingGeometry = mStoredGeometry;
    else
        mStoredGeometry = mPendingGeometry;
}

void cApplicationBase::WindowStateChanged(Qt::WindowState)
{
    if (mKioskMode || !mMainWindow)
        return;
    mStoredWindowState = int(mMainWindow->windowStates());
}

void cApplicationBase::RegisterMetaTypes()
{
    Quendle::RegisterAppCommonQmlTypes();
}

std::string cApplicationBase::GetHashedString(const QString& text)
{
    return Quendle::GetHashedString(text);
}

std::string cApplicationBase::GetHashedPassword(const QString& password)
{
    return Quendle::GetHashedPassword(password);
}

std::string cApplicationBase::GetHashedAdminUsername()
{
    return Quendle::GetHashedAdminUsername();
}

std::string cApplicationBase::GetHashedBlankPassword()
{
    return Quendle::GetHashedBlankPassword();
}
