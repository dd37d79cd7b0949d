#include "Quendle/Runner/Application.h"

#include "Quendle/AppCommon/ConnectionUnit.h"
#include "Quendle/Runner/ApplicationQml.h"
#include "Quendle/Runner/PlatformShell.h"
#include "Quendle/Runner/RunnerFoundUnitsManager.h"

#include <QSettings>
#include <QWindow>

cApplication::cApplication(int deviceType, bool kioskArgumentGiven, bool panelPC, bool kioskMode)
    : mDeviceType(deviceType)
    , mProDVXPIN(QStringLiteral("5307"))
{
    mFoundUnitsManager = new cRunnerFoundUnitsManager(FinderNames(), this);
    SetIsProDVX(panelPC);
    RegisterMetaTypes();
    Quendle::RegisterApplicationQmlTypes();
    LoadSettings();
    if (kioskArgumentGiven) {
        mKioskMode = kioskMode;
        QSettings().setValue(KioskModeKey(), mKioskMode);
    }
    connect(this, &cApplication::PauseApplicationSignal, this, &cApplication::PauseApplicationSlot);
    connect(this, &cApplication::ResumeApplicationSignal, this, &cApplication::ResumeApplicationSlot);
}

cApplication::~cApplication()
{
    if (mPrimaryUnit)
        mPrimaryUnit->disconnectFromUnit();
}

const QString& cApplication::UsernameKey()
{
    static const QString key = QStringLiteral("U");
    return key;
}

const QString& cApplication::HashedPasswordKey()
{
    static const QString key = QStringLiteral("HP");
    return key;
}

const QString& cApplication::RememberLoginDetailsKey()
{
    static const QString key = QStringLiteral("RLD");
    return key;
}

const QString& cApplication::EulaAcceptedKey()
{
    static const QString key = QStringLiteral("EU");
    return key;
}

const QString& cApplication::AutoLoginKey()
{
    static const QString key = QStringLiteral("ALI");
    return key;
}

const QString& cApplication::KioskModeKey()
{
    static const QString key = QStringLiteral("KM");
    return key;
}

const QString& cApplication::UnlockPasswordKey()
{
    static const QString key = QStringLiteral("KMP");
    return key;
}

const QStringList& cApplication::FinderNames()
{
    static const QStringList names { QStringLiteral("Vek Find"), QStringLiteral("Frell Find"),
        QStringLiteral("Vespril Find") };
    return names;
}

QString cApplication::privacyURL() const
{
    return QStringLiteral("https://www.quendle-audio.example/company/privacy-statement/");
}

void cApplication::LoadSettings()
{
    QSettings settings;
    mUsername = settings.value(UsernameKey(), QString()).toString();
    mHashedPassword = settings.value(HashedPasswordKey(), QString()).toString().toUtf8().toStdString();
    mRememberLoginDetails = settings.value(RememberLoginDetailsKey(), true).toBool();
    mEulaAccepted = settings.value(EulaAcceptedKey(), false).toBool();
    mAutoLogin = settings.value(AutoLoginKey(), false).toBool();
    mKioskMode = settings.value(KioskModeKey(), false).toBool();
}

void cApplication::SetDownloadConfigFailureReason(const QString& reason)
{
    if (reason == mDownloadConfigFailureReason)
        return;
    mDownloadConfigFailureReason = reason;
    Q_EMIT downloadConfigFailureReasonChanged();
}

void cApplication::setDownloadProgress(float progress)
{
    if (progress == mDownloadProgress)
        return;
    mDownloadProgress = progress;
    Q_EMIT downloadProgressChanged();
}

void cApplication::setUsername(const QString& name)
{
    if (name != mUsername) {
        mUsername = name;
        ClearPassword();
        Q_EMIT usernameChanged();
    }
    QSettings().setValue(UsernameKey(), mRememberLoginDetails ? mUsername : QString());
}

void cApplication::ClearPassword()
{
    if (!mHashedPassword.empty()) {
        mHashedPassword.clear();
        Q_EMIT passwordStoredChanged();
    }
    QSettings().setValue(HashedPasswordKey(), QString());
}

void cApplication::setPassword(QString Password)
{
    const std::string hashed = GetHashedPassword(Password);
    if (hashed != mHashedPassword) {
        mHashedPassword = hashed;
        Q_EMIT passwordStoredChanged();
    }
    QSettings().setValue(
        HashedPasswordKey(), mRememberLoginDetails ? QString::fromStdString(mHashedPassword) : QString());
}

void cApplication::setRememberLoginDetails(bool on)
{
    if (on == mRememberLoginDetails)
        return;
    mRememberLoginDetails = on;
    QSettings settings;
    settings.setValue(RememberLoginDetailsKey(), on);
    Q_EMIT rememberLoginDetailsChanged();
    if (!on)
        setUsername(QString());
    settings.setValue(UsernameKey(), mUsername);
    settings.setValue(HashedPasswordKey(), QString::fromStdString(mHashedPassword));
}

void cApplication::setEulaAccepted(bool on)
{
    if (on == mEulaAccepted)
        return;
    mEulaAccepted = on;
    Q_EMIT eulaAcceptedChanged();
    QSettings().setValue(EulaAcceptedKey(), on);
}

void cApplication::setAutoLogin(bool on)
{
    if (on == mAutoLogin)
        return;
    mAutoLogin = on;
    Q_EMIT autoLoginChanged();
    QSettings().setValue(AutoLoginKey(), on);
}

void cApplication::setUnlockPassword(QString Password)
{
    QSettings().setValue(UnlockPasswordKey(), QString::fromStdString(GetHashedString(Password)));
}

bool cApplication::checkUnlockPassword(QString Password)
{
    const QString stored = QSettings().value(UnlockPasswordKey(), QString()).toString();
    return !stored.isEmpty() && stored.toStdString() == GetHashedString(Password);
}

void cApplication::SetIsProDVX(bool on)
{
    if (on == mIsProDVX)
        return;
    mIsProDVX = on;
    Q_EMIT isProDVXChanged(on);
}

void cApplication::setShowPinPad(bool on)
{
    if (on == mShowPinPad)
        return;
    mShowPinPad = on;
    Q_EMIT showPinPadChanged(on);
}

void cApplication::applicationWindowReady()
{
    cApplicationBase::applicationWindowReady();
    if (!mKioskMode)
        SetFullscreenButtonHint();
    QueueWindowState();
}

void cApplication::QueueWindowState()
{
    QMetaObject::invokeMethod(this, "ApplicationSetWindowStateSlot", Qt::QueuedConnection);
}

void cApplication::SetFullscreenButtonHint()
{
    if (mMainWindow)
        mMainWindow->setFlag(Qt::WindowFullscreenButtonHint, true);
}

void cApplication::ApplicationSetWindowStateSlot()
{
    // Kiosk mode may be switched from QML before the window exists, or after it is gone.
    if (!mMainWindow)
        return;
    if (mKioskMode) {
        mMainWindow->setWindowStates(Qt::WindowFullScreen);
        SetHideMacToolbar();
    } else {
        mMainWindow->setWindowStates(Qt::WindowStates(mStoredWindowState));
        SetShowMacToolbar();
    }
}

void cApplication::setKioskMode(bool on)
{
    if (on == mKioskMode)
        return;
    mKioskMode = on;
    QSettings().setValue(KioskModeKey(), on);
    if (on) {
        QueueWindowState();
    } else {
        SetFullscreenButtonHint();
        QueueWindowState();
        if ((mStoredWindowState & Qt::WindowMaximized) == 0)
            SetMainWindowGeometry();
    }
    Q_EMIT kioskModeChanged();
}

void cApplication::EnterKioskMode()
{
    QueueWindowState();
}

void cApplication::EnterNormalMode()
{
    SetFullscreenButtonHint();
    QueueWindowState();
}

void cApplication::SetHideMacToolbar()
{
    cPlatformShell::Instance().SetPresentationOptions(cPlatformShell::kKioskPresentation);
}

void cApplication::SetShowMacToolbar()
{
    cPlatformShell::Instance().SetPresentationOptions(cPlatformShell::kDefaultPresentation);
}

void cApplication::PauseApplicationSlot()
{
    mFoundUnitsManager->StopUnitFinder();
}

void cApplication::ResumeApplicationSlot()
{
    mFoundUnitsManager->StartUnitFinder();
}

void cApplication::ApplicationWillSuspend()
{
    Q_EMIT PauseApplicationSignal();
}

void cApplication::ApplicationDidEnterBackground() { }

void cApplication::ApplicationWillEnterForeground()
{
    Q_EMIT ResumeApplicationSignal();
}
