#pragma once

#include "Quendle/Runner/ApplicationBase.h"
#include "Quendle/Runner/ConfigConnectionInterface.h"
#include "Quendle/Runner/RunnerConfig.h"

#include <QString>

#include <optional>
#include <string>

/// The runner's application object, "_application" in QML. Keeps the login settings (user name,
/// password hash, remember, auto login, licence accepted, kiosk mode) in the settings store; makes
/// the primary unit, signs in to it and downloads its configuration into the `cRunnerConfig` it
/// owns; loads the built-in demo layouts; switches the window between kiosk and normal
/// presentation, keeps the kiosk unlock password as a hash and holds the quit PIN of a panel PC.
/// GUI thread only.
class cApplication : public cApplicationBase, public cConnectionInterfaceApplication
{
    Q_OBJECT
    Q_PROPERTY(cRunnerConfig* currentConfig READ currentConfig CONSTANT)
    Q_PROPERTY(QString downloadConfigFailureReason READ downloadConfigFailureReason WRITE SetDownloadConfigFailureReason
            NOTIFY downloadConfigFailureReasonChanged)
    Q_PROPERTY(float downloadProgress READ downloadProgress WRITE setDownloadProgress NOTIFY downloadProgressChanged)
    Q_PROPERTY(QString username READ username WRITE setUsername NOTIFY usernameChanged)
    Q_PROPERTY(bool passwordStored READ passwordStored NOTIFY passwordStoredChanged)
    Q_PROPERTY(bool rememberLoginDetails READ rememberLoginDetails WRITE setRememberLoginDetails NOTIFY
            rememberLoginDetailsChanged)
    Q_PROPERTY(bool autoLogin READ autoLogin WRITE setAutoLogin NOTIFY autoLoginChanged)
    Q_PROPERTY(bool isDesktop READ isDesktop CONSTANT)
    Q_PROPERTY(bool eulaAccepted READ eulaAccepted WRITE setEulaAccepted NOTIFY eulaAcceptedChanged)
    Q_PROPERTY(QString versionString READ versionString CONSTANT)
    Q_PROPERTY(bool kioskMode READ kioskMode WRITE setKioskMode NOTIFY kioskModeChanged)
    Q_PROPERTY(bool melvarBuild READ melvarBuild CONSTANT)
    Q_PROPERTY(QString privacyURL READ privacyURL CONSTANT)
    Q_PROPERTY(bool isProDVX READ isProDVX WRITE SetIsProDVX NOTIFY isProDVXChanged)
    Q_PROPERTY(QString proDVXPIN READ proDVXPIN CONSTANT)
    Q_PROPERTY(bool showPinPad READ showPinPad WRITE setShowPinPad NOTIFY showPinPadChanged)

public:
    /// The kind of device the runner runs on; sent with configuration requests.
    enum eDeviceType { DesktopDevice = 0, PhoneDevice = 1, TabletDevice = 2 };

    cApplication(int deviceType, bool kioskArgumentGiven, bool panelPC, bool kioskMode);
    ~cApplication() override;

    static const QString& UsernameKey();
    static const QString& HashedPasswordKey();
    static const QString& RememberLoginDetailsKey();
    static const QString& EulaAcceptedKey();
    static const QString& AutoLoginKey();
    static const QString& KioskModeKey();
    static const QString& UnlockPasswordKey();
    static const QStringList& FinderNames();

    QString downloadConfigFailureReason() const { return mDownloadConfigFailureReason; }
    void SetDownloadConfigFailureReason(const QString& reason);
    float downloadProgress() const { return mDownloadProgress; }
    void setDownloadProgress(float progress);
    QString username() const { return mUsername; }
    void setUsername(const QString& name);
    bool passwordStored() const { return !mHashedPassword.empty(); }
    const std::string& HashedPassword() const { return mHashedPassword; }
    bool rememberLoginDetails() const { return mRememberLoginDetails; }
    void setRememberLoginDetails(bool on);
    bool autoLogin() const { return mAutoLogin; }
    void setAutoLogin(bool on);
    bool isDesktop() const { return mDeviceType == DesktopDevice; }
    bool eulaAccepted() const { return mEulaAccepted; }
    void setEulaAccepted(bool on);
    Q_INVOKABLE QString versionString() const { return VersionText(); }
    bool kioskMode() const { return mKioskMode; }
    void setKioskMode(bool on);
    bool melvarBuild() const { return false; }
    QString privacyURL() const;
    bool isProDVX() const { return mIsProDVX; }
    QString proDVXPIN() const { return mProDVXPIN; }
    bool showPinPad() const { return mShowPinPad; }

    static const QString& DemoFile();
    static const QString& PhoneDemoFile();
    static const QString& NoStoredConfigurationText();
    /// The reason text of a configuration client's failure code.
    static QString FailureReasonText(int code);

    cRunnerConfig* currentConfig() const { return mConfig; }
    const cImageSource* CurrentImageSource() const override { return mConfig; }

    cConnectionUnit* PrimaryConnectionUnit() const override { return mPrimaryUnit; }
    cMultiUnitFinder* MultiUnitFinder() const override;
    UBYTE DeviceType() const override { return UBYTE(mDeviceType); }
    void AuthenticatePrimaryUnit() override;
    QObject* ApplicationObject() override { return this; }

    Q_INVOKABLE QString getQmlUrlForType(QString Type) const;
    /// Also forgets a password typed for a sign-in that never succeeded.
    void disconnectAndRemovePrimaryUnit() override;
    Q_INVOKABLE void enterDemoMode(bool Enter);
    Q_INVOKABLE void connectToPrimaryUnit(QString UnitNameOrIpAddress);
    Q_INVOKABLE void downloadConfig();
    Q_INVOKABLE void autoLoginToUnit();
    /// Whether a unit was ever chosen for automatic login to go to.
    Q_INVOKABLE bool hasAutoLoginUnit() const;
    Q_INVOKABLE void autoReconnectToUnit();

    Q_INVOKABLE void setUnlockPassword(QString Password);
    Q_INVOKABLE bool checkUnlockPassword(QString Password);
    /// Holds the password for the next sign-in; it is stored only once a sign-in with it succeeds.
    Q_INVOKABLE void setPassword(QString Password);
    void applicationWindowReady() override;

    /// The base's registrations, then the runner's: its QML types, the widgets and the configuration.
    void RegisterMetaTypes();
    void LoadSettings();
    void ClearPassword();
    void EnterKioskMode();
    void EnterNormalMode();
    void SetHideMacToolbar();
    void SetShowMacToolbar();
    /// For platforms that report the application's suspension; nothing calls them on the desktop.
    void ApplicationWillSuspend();
    void ApplicationDidEnterBackground();
    void ApplicationWillEnterForeground();

public Q_SLOTS:
    void SetIsProDVX(bool on);
    void setShowPinPad(bool on);

Q_SIGNALS:
    void connectionAttemptSuccessful();
    void connectionAttemptFailed();
    void downloadConfigSuccessful();
    void downloadConfigFailed();
    void downloadConfigFailureReasonChanged();
    void configUpdated();
    void downloadProgressChanged();
    void usernameChanged();
    void passwordStoredChanged();
    void rememberLoginDetailsChanged();
    void eulaAcceptedChanged();
    void autoLoginChanged();
    void kioskModeChanged();
    void loadDemoConfigSuccessful();
    void loadDemoConfigFailed();
    void PauseApplicationSignal();
    void ResumeApplicationSignal();
    void isProDVXChanged(bool);
    void showPinPadChanged(bool);

private Q_SLOTS:
    void ConfigClientStartDownload();
    void PrimaryUnitSignedIn();
    void DownloadConfigSuccessful();
    void DownloadConfigFailed();
    void SetDownloadProgress(float progress);
    void ConfigUpdated();
    void SceneChanged();
    void ApplicationSetWindowStateSlot() override;
    void PauseApplicationSlot();
    void ResumeApplicationSlot();

private:
    /// The download ends with this reason and `downloadConfigFailed`.
    void FailDownload(const QString& reason);
    void RemovePrimaryUnit();
    void QueueWindowState();
    void SetFullscreenButtonHint();

    cRunnerConfig* mConfig = nullptr;
    QString mDownloadConfigFailureReason;
    float mDownloadProgress = 0;
    /// A configuration download asked of the primary unit has not ended yet.
    bool mDownloadRunning = false;
    /// The unit changed its configuration after the running download was asked for: that one is
    /// dropped when it ends, and the configuration is asked for again.
    bool mDownloadStale = false;
    QString mUsername;
    std::string mHashedPassword;
    /// Typed for the sign-in under way: a wrong one must never replace a stored one that works.
    std::optional<std::string> mTypedHashedPassword;
    bool mRememberLoginDetails = false;
    int mDeviceType;
    bool mEulaAccepted = false;
    bool mAutoLogin = false;
    bool mIsProDVX = false;
    QString mProDVXPIN;
    bool mShowPinPad = false;
};
