#include "Quendle/Runner/ApplicationBase.h"

#include "Quendle/AppCommon/AppCommonQml.h"
#include "Quendle/AppCommon/ConnectionUnit.h"
#include "Quendle/AppCommon/FoundUnitsManager.h"
#include "Quendle/AppCommon/PasswordHashing.h"
#include "Quendle/AppCommon/QuendleFonts.h"
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
    static const QString key = QStringLiteral("SCG");
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
    geometry = QRect(x, y, w, h);
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
    if (!data.isEmpty() && ReadGeometry(data, geometry, state)) {
        mStoredGeometry = geometry;
        mPendingGeometry = geometry;
        mStoredWindowState = state & ~int(Qt::WindowMinimized);
    }
    int x = mStoredGeometry.x(), y = mStoredGeometry.y(), w = mStoredGeometry.width(), h = mStoredGeometry.height();
    ReSizeWindowToFitScreen(x, y, w, h);
    mStoredGeometry = QRect(x, y, w, h);
}

void cApplicationBase::StoreWindowGeometry() const
{
    QSettings().setValue(GeometryKey(), WriteGeometry(mStoredGeometry, mStoredWindowState));
}

void cApplicationBase::ReSizeWindowToFitScreen(int& X, int& Y, int& W, int& H) const
{
    QVector<QRect> available;
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* screen : screens)
        available.append(screen->availableGeometry());
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr)
        return;
    FitToScreens(X, Y, W, H, available, primary->availableGeometry());
}

void cApplicationBase::FitToScreens(
    int& X, int& Y, int& W, int& H, const QVector<QRect>& available, const QRect& primary)
{
    const QPoint topLeft(X, Y);
    const QPoint topRight(X + W, Y);
    for (const QRect& area : available) {
        if (area.contains(topLeft) || area.contains(topRight))
            return;
    }
    // Clamped against 0 and the available size, not the area's own origin.
    const int availW = primary.right() - primary.left() + 1;
    const int availH = primary.bottom() - primary.top() + 1;
    if (W > availW)
        W = availW;
    if (H > availH)
        H = availH;
    if (X < 0)
        X = 0;
    else if (X > availW)
        X = availW - W;
    if (Y < 0)
        Y = 0;
    else if (Y > availH)
        Y = availH - H;
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
