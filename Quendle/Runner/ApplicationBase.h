#pragma once

#include "Quendle/AppCommon/ImageSource.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QWindow>

#include <memory>
#include <string>

class QTimer;
class cConnectionUnit;
class cFoundUnitsManager;
class cNetworkStack;

/// The part of the runner's application object that any front end needs: the found-units manager
/// and the primary unit (both owned), the network's start and stop, the main window's geometry
/// across runs (settings "SCG"), the credential hashes, the version and the font codes. QML sees
/// it as "_application". GUI thread only.
class cApplicationBase : public QObject, public cApplicationInterface
{
    Q_OBJECT
    Q_PROPERTY(cFoundUnitsManager* foundUnitsManager READ foundUnitsManager CONSTANT)
    Q_PROPERTY(QString version READ version CONSTANT)
    Q_PROPERTY(QString fullVersion READ fullVersion CONSTANT)
    Q_PROPERTY(QStringList fontCodes READ fontCodes CONSTANT)
    Q_PROPERTY(cConnectionUnit* primaryUnit READ primaryUnit NOTIFY primaryUnitChanged)

public:
    cApplicationBase();
    /// Stores the geometry, deletes the primary unit and the found-units manager, stops the network.
    ~cApplicationBase() override;

    static const QString& VersionText();
    static const QString& FullVersionText();
    static const QString& GeometryKey();
    static constexpr int kGeometryDelayMs = 500;
    static const QRect& DefaultGeometry();

    cFoundUnitsManager* foundUnitsManager() const { return mFoundUnitsManager; }
    QString version() const;
    QString fullVersion() const { return FullVersionText(); }
    QStringList fontCodes() const { return mFontCodes; }
    cConnectionUnit* primaryUnit() const { return mPrimaryUnit; }
    Q_INVOKABLE QString fontCodeToName(QString FontCode) const;

    cConnectionUnit* PrimaryUnit() const override { return mPrimaryUnit; }

    /// Starts the network: router and system builder (queued links aborted when a connection
    /// ends), connection manager with lost comms, the unit finders, the syscall thread and ticks.
    void StartZUNet();
    /// Stops and dismantles whatever `StartZUNet` built; nothing when it never ran.
    void StopZUNet();
    bool ZUNetRunning() const { return mNetwork != nullptr; }

    /// Takes ownership of `unit`, deleting the previous one.
    void SetPrimaryUnit(cConnectionUnit* unit);
    /// The main window and its geometry tracking; the window shown by QML calls it.
    Q_INVOKABLE virtual void applicationWindowReady();
    /// Applies the stored geometry to the main window, when there is one.
    void SetMainWindowGeometry();
    void LoadWindowGeometry();
    void StoreWindowGeometry() const;
    void ReSizeWindowToFitScreen(int& X, int& Y, int& W, int& H) const;
    /// The fit against explicit screens: `available` in screen order, `primary` the primary's area.
    static void FitToScreens(int& X, int& Y, int& W, int& H, const QVector<QRect>& available, const QRect& primary);
    /// Limits a size to the bounding rectangle of the screens.
    static void LimitToScreens(int& W, int& H, const QVector<QRect>& available, const QRect& primary);
    /// Reads "SCG" bytes; false, with nothing changed, unless all five values are there and the
    /// size is positive. Coordinates and sizes are bounded to what a window system takes.
    static bool ReadGeometry(const QByteArray& data, QRect& geometry, int& windowState);
    static QByteArray WriteGeometry(const QRect& geometry, int windowState);
    /// Qt's own bound of a window's size, and a bound of where a window may be put.
    static constexpr int kMaxWindowSize = (1 << 24) - 1;
    static constexpr int kMaxWindowCoordinate = 1 << 24;

    void RegisterMetaTypes();

    static std::string GetHashedString(const QString& text);
    static std::string GetHashedPassword(const QString& password);
    static std::string GetHashedAdminUsername();
    static std::string GetHashedBlankPassword();

    QWindow* MainWindow() const { return mMainWindow; }
    QRect StoredGeometry() const { return mStoredGeometry; }
    QRect PendingGeometry() const { return mPendingGeometry; }
    int StoredWindowState() const { return mStoredWindowState; }
    bool KioskModeOn() const { return mKioskMode; }

public Q_SLOTS:
    virtual void disconnectAndRemovePrimaryUnit();

Q_SIGNALS:
    void primaryUnitChanged();
    void primaryUnitConnectedChanged();

private Q_SLOTS:
    void SetWindowX(int X);
    void SetWindowY(int Y);
    void SetWindowWidth(int W);
    void SetWindowHeight(int H);
    void ApplyGeometryChange();
    void WindowStateChanged(Qt::WindowState WindowState);

protected Q_SLOTS:
    virtual void ApplicationSetWindowStateSlot() = 0;

protected:
    int mStoredWindowState = 0;
    bool mKioskMode = false;
    /// Not owned: the window dies with the QML engine, before this object.
    QPointer<QWindow> mMainWindow;
    cFoundUnitsManager* mFoundUnitsManager = nullptr;
    cConnectionUnit* mPrimaryUnit = nullptr;

private:
    void TakePendingCoordinate(int& pending, int value, int stored);
    /// The screens' available areas in screen order and the primary's; false without a screen.
    static bool ScreenAreas(QVector<QRect>& available, QRect& primary);

    std::unique_ptr<cNetworkStack> mNetwork;
    QTimer* mGeometryTimer;
    QRect mStoredGeometry;
    QRect mPendingGeometry;
    QStringList mFontCodes;
};
