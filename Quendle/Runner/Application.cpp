#include "Quendle/Runner/Application.h"

#include "Quendle/AppCommon/ConnectionUnit.h"
#include "Quendle/AppCommon/RunnerQuendleConfigClient.h"
#include "Quendle/AppCommon/SettingsKeys.h"
#include "Quendle/AppCommon/SourceInfo.h"
#include "Quendle/AppCommon/StoredSettings.h"
#include "Quendle/Properties/QmlModule.h"
#include "Quendle/Runner/ApplicationQml.h"
#include "Quendle/Runner/PlatformShell.h"
#include "Quendle/Runner/RunnerFoundUnitsManager.h"
#include "Quendle/Runner/UserListQuery.h"
#include "Quendle/Runner/WidgetFactory.h"
#include "Quendle/Widgets/WidgetsQml.h"

#include <QFile>
#include <QSettings>
#include <QWindow>
#include <QtQml>

#include <cmath>

cApplication::cApplication(int deviceType, bool kioskArgumentGiven, bool panelPC, bool kioskMode)
    : mDeviceType(deviceType)
    , mProDVXPIN(QStringLiteral("5307"))
{
    mFoundUnitsManager = new cRunnerFoundUnitsManager(FinderNames(), this);
    SetIsProDVX(panelPC);
    mConfig = new cRunnerConfig(this, this, this);
    RegisterMetaTypes();
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
    delete mConfig;
    mConfig = nullptr;
}

void cApplication::RegisterMetaTypes()
{
    cApplicationBase::RegisterMetaTypes();
    Quendle::RegisterApplicationQmlTypes();
    Quendle::RegisterWidgetsQmlTypes();
    static const bool registered = [] {
        qRegisterMetaType<cRunnerConfig*>("cRunnerConfig*");
        qRegisterMetaType<QQmlObjectListModel<cRunnerLayout>*>("QQmlObjectListModel<cRunnerLayout>*");
        qRegisterMetaType<QQmlObjectListModel<cSourceInfo>*>("QQmlObjectListModel<cSourceInfo>*");
        qRegisterMetaType<cUserListQuery*>("cUserListQuery*");
        // For its unit-type enumeration.
        qmlRegisterUncreatableType<cRunnerConfig>(Quendle::kQmlModule, Quendle::kQmlModuleMajor,
            Quendle::kQmlModuleMinor, "RunnerConfig",
            QStringLiteral("Cannot instantiate cRunnerConfig objects from qml"));
        return true;
    }();
    Q_UNUSED(registered)
}

const QString& cApplication::DemoFile()
{
    static const QString file = QStringLiteral(":/DemoMode.xml");
    return file;
}

const QString& cApplication::PhoneDemoFile()
{
    static const QString file = QStringLiteral(":/PhoneDemoMode.xml");
    return file;
}

const QString& cApplication::NoStoredConfigurationText()
{
    static const QString text = QStringLiteral("Unit does not have a stored configuration");
    return text;
}

QString cApplication::FailureReasonText(int code)
{
    switch (code) {
    case 2:
        return QStringLiteral("Unrecognised device");
    case 3:
        return QStringLiteral("The connection to the Mirvane was lost during the download");
    case 4:
        return QStringLiteral("Mirvane encountered an error while processing the download");
    case 5:
        return QStringLiteral("Username or password incorrect");
    case 7:
        return QStringLiteral("This version of the application is too old to connect to the unit");
    default:
        return QStringLiteral("Unknown error");
    }
}

cMultiUnitFinder* cApplication::MultiUnitFinder() const
{
    return mFoundUnitsManager->UnitFinder();
}

QString cApplication::getQmlUrlForType(QString Type) const
{
    return cRunnerWidgetFactory::QmlUrlForType(Type);
}

void cApplication::disconnectAndRemovePrimaryUnit()
{
    mTypedHashedPassword.reset();
    RemovePrimaryUnit();
}

void cApplication::RemovePrimaryUnit()
{
    cApplicationBase::disconnectAndRemovePrimaryUnit();
    mDownloadRunning = false;
    mDownloadStale = false;
    mConfig->Reset(true);
}

void cApplication::enterDemoMode(bool Enter)
{
    if (!Enter) {
        mConfig->Reset(true);
        cRunnerWidgetFactory::mDemoMode = false;
        return;
    }
    QFile file(mDeviceType == PhoneDevice ? PhoneDemoFile() : DemoFile());
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0) {
        Q_EMIT loadDemoConfigFailed();
        return;
    }
    cRunnerWidgetFactory::mDemoMode = true;
    const bool read = mConfig->ReadXml(file);
    // Only widgets made while reading run in demo mode; a later download must get live widgets,
    // whether or not this read succeeded.
    cRunnerWidgetFactory::mDemoMode = false;
    if (read)
        Q_EMIT loadDemoConfigSuccessful();
    else
        Q_EMIT loadDemoConfigFailed();
}

void cApplication::connectToPrimaryUnit(QString UnitNameOrIpAddress)
{
    // The password typed for this sign-in stays.
    RemovePrimaryUnit();
    cConnectionUnit* unit = nullptr;
    const auto* units = mFoundUnitsManager->units();
    for (int i = 0; i < units->count(); ++i) {
        cQmlUnit* found = units->at(i);
        if (found->name() == UnitNameOrIpAddress || found->IpAddress() == UnitNameOrIpAddress) {
            unit = new cConnectionUnit(this, found->name(), cConnectionUnit::QmlUnitToUnitType(found), mConfig);
            break;
        }
    }
    if (unit == nullptr)
        unit = new cConnectionUnit(this, UnitNameOrIpAddress, cConnectionUnit::UnknownType(), mConfig);
    SetPrimaryUnit(unit);

    // Queued, so that the outcome always finds the page machine waiting for it.
    connect(unit, &cConnectionUnit::ConfigClientFound, this, &cApplication::connectionAttemptSuccessful,
        Qt::QueuedConnection);
    connect(unit, &cConnectionUnit::ConfigClientNotFound, this, &cApplication::connectionAttemptFailed,
        Qt::QueuedConnection);
    connect(unit, &cConnectionUnit::Authenticated, this, &cApplication::PrimaryUnitSignedIn);
    connect(unit, &cConnectionUnit::Authenticated, this, &cApplication::ConfigClientStartDownload);
    connect(unit, &cConnectionUnit::authenticationFailedSignal, this, &cApplication::DownloadConfigFailed);
    cQuendleConfigClient* client = unit->ConfigClient();
    connect(client, &cQuendleConfigClient::DownloadConfigSuccessful, this, &cApplication::DownloadConfigSuccessful);
    connect(client, &cQuendleConfigClient::DownloadConfigFailed, this, &cApplication::DownloadConfigFailed);
    connect(client, &cQuendleConfigClient::ConfigUpdated, this, &cApplication::ConfigUpdated);
    connect(client, &cQuendleConfigClient::SceneChanged, this, &cApplication::SceneChanged);
    connect(client, &cQuendleConfigClient::DownloadProgress, this, &cApplication::SetDownloadProgress);

    unit->ConnectToUnit(mFoundUnitsManager->UnitFinder());
}

void cApplication::autoLoginToUnit()
{
    connectToPrimaryUnit(mFoundUnitsManager->LastUnitName());
}

bool cApplication::hasAutoLoginUnit() const
{
    return !mFoundUnitsManager->LastUnitName().isEmpty();
}

void cApplication::autoReconnectToUnit()
{
    autoLoginToUnit();
}

void cApplication::downloadConfig()
{
    SetDownloadConfigFailureReason(QString());
    AuthenticatePrimaryUnit();
}

void cApplication::AuthenticatePrimaryUnit()
{
    // The page machine asks only after a connection; anything else ends as a failed download.
    if (!mPrimaryUnit) {
        FailDownload(FailureReasonText(0));
        return;
    }
    const std::string& hash = mTypedHashedPassword ? *mTypedHashedPassword : mHashedPassword;
    mPrimaryUnit->ConfigClient()->Authenticate(
        GetHashedString(mUsername), hash.empty() ? GetHashedBlankPassword() : hash);
}

void cApplication::PrimaryUnitSignedIn()
{
    if (!mTypedHashedPassword)
        return;
    const std::string hashed = std::move(*mTypedHashedPassword);
    mTypedHashedPassword.reset();
    if (hashed != mHashedPassword) {
        mHashedPassword = hashed;
        Q_EMIT passwordStoredChanged();
    }
    QSettings().setValue(
        HashedPasswordKey(), mRememberLoginDetails ? QString::fromStdString(mHashedPassword) : QString());
}

void cApplication::FailDownload(const QString& reason)
{
    SetDownloadConfigFailureReason(reason);
    Q_EMIT downloadConfigFailed();
}

void cApplication::ConfigClientStartDownload()
{
    if (std::abs(mDownloadProgress) > 0.0001f) {
        mDownloadProgress = 0;
        Q_EMIT downloadProgressChanged();
    }
    if (!mPrimaryUnit) {
        FailDownload(FailureReasonText(0));
        return;
    }
    // Notices of changes come in bursts while a large configuration is still on its way. Only the
    // last one counts: a download queued behind the running one would be read after the page
    // machine had moved on, under the content of the one before.
    if (mDownloadRunning) {
        mDownloadStale = true;
        return;
    }
    mDownloadRunning = true;
    mDownloadStale = false;
    mPrimaryUnit->ConfigClient()->DownloadRunnerConfig(UBYTE(mDeviceType), mConfig->GetResourcesHeld());
}

void cApplication::SetDownloadProgress(float progress)
{
    // The bar shows the download that will be read.
    if (mDownloadStale)
        return;
    if (std::abs(progress - mDownloadProgress) <= 0.0001f)
        return;
    mDownloadProgress = progress;
    Q_EMIT downloadProgressChanged();
}

void cApplication::DownloadConfigSuccessful()
{
    mDownloadRunning = false;
    auto* client = mPrimaryUnit ? qobject_cast<cRunnerQuendleConfigClient*>(mPrimaryUnit->ConfigClient()) : nullptr;
    if (client == nullptr) {
        FailDownload(FailureReasonText(0));
        return;
    }
    if (mDownloadStale) {
        client->SetDownloadHasBeenProcessed();
        ConfigClientStartDownload();
        return;
    }
    // Ours alone while it is read: the client neither holds a lock over it nor touches it again.
    std::unique_ptr<QTemporaryFile> file = client->TakeConfigDataTempFile();
    if (file == nullptr || file->size() == 0) {
        client->SetDownloadHasBeenProcessed();
        FailDownload(NoStoredConfigurationText());
        return;
    }
    file->seek(0);
    const bool read = mConfig->ReadXml(*file);
    file.reset();
    client->SetDownloadHasBeenProcessed();
    if (!read) {
        FailDownload(mConfig->ErrorText());
        return;
    }
    if (!cConfigBase::VersionIsMultiUnitVersion(mConfig->version())) {
        // A refused default unit (its id is taken) leaves the widgets on the units they name.
        const int unitId = mConfig->AddDefaultUnitFromPrimary();
        const auto* layouts = mConfig->layouts();
        for (int i = 0; unitId != -1 && i < layouts->count(); ++i)
            layouts->at(i)->SetUnitForAllZUNetWidgets(unitId);
    }
    Q_EMIT downloadConfigSuccessful();
}

void cApplication::DownloadConfigFailed()
{
    mDownloadRunning = false;
    mDownloadStale = false;
    const int code = mPrimaryUnit ? mPrimaryUnit->ConfigClient()->FailureReasonCode() : 0;
    FailDownload(FailureReasonText(code));
}

void cApplication::ConfigUpdated()
{
    Q_EMIT configUpdated();
    mConfig->Reset(true);
    ConfigClientStartDownload();
}

void cApplication::SceneChanged()
{
    Q_EMIT configUpdated();
    mConfig->Reset(false);
    ConfigClientStartDownload();
}

const QString& cApplication::UsernameKey()
{
    static const QString key = cSettingsKeys::Username;
    return key;
}

const QString& cApplication::HashedPasswordKey()
{
    static const QString key = cSettingsKeys::HashedPassword;
    return key;
}

const QString& cApplication::RememberLoginDetailsKey()
{
    static const QString key = cSettingsKeys::RememberLoginDetails;
    return key;
}

const QString& cApplication::EulaAcceptedKey()
{
    static const QString key = cSettingsKeys::EulaAccepted;
    return key;
}

const QString& cApplication::AutoLoginKey()
{
    static const QString key = cSettingsKeys::AutoLogin;
    return key;
}

const QString& cApplication::KioskModeKey()
{
    static const QString key = cSettingsKeys::KioskMode;
    return key;
}

const QString& cApplication::UnlockPasswordKey()
{
    static const QString key = cSettingsKeys::KioskModePassword;
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
    mUsername = Quendle::ReadStoredName(UsernameKey());
    mHashedPassword = settings.value(HashedPasswordKey(), QString()).toString().toUtf8().toStdString();
    mRememberLoginDetails = Quendle::ReadStoredFlag(RememberLoginDetailsKey(), true);
    mEulaAccepted = Quendle::ReadStoredFlag(EulaAcceptedKey(), false);
    mAutoLogin = Quendle::ReadStoredFlag(AutoLoginKey(), false);
    mKioskMode = Quendle::ReadStoredFlag(KioskModeKey(), false);
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
    mTypedHashedPassword = GetHashedPassword(Password);
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
