#pragma once

#include "Quendle/AppCommon/QmlUnit.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVector>

/// Records what the pages call, in order, as "name(argument)".
class cCallLog : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QStringList calls READ calls NOTIFY callsChanged)

public:
    QStringList calls() const { return mCalls; }
    void Add(const QString& call)
    {
        mCalls.append(call);
        Q_EMIT callsChanged();
    }
    Q_INVOKABLE void clear()
    {
        mCalls.clear();
        Q_EMIT callsChanged();
    }

Q_SIGNALS:
    void callsChanged();

private:
    QStringList mCalls;
};

class cFakeConnectionInterface : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool allUnitsConnectedAndAuthenticated MEMBER mAll NOTIFY allUnitsConnectedAndAuthenticatedChanged)
    Q_PROPERTY(QVariantList units MEMBER mUnits CONSTANT)
    Q_PROPERTY(bool lostCommsLowTTL MEMBER mLow NOTIFY lostCommsLowTTLChanged)

public:
    explicit cFakeConnectionInterface(cCallLog& log)
        : mLog(log)
    {
    }
    Q_INVOKABLE void disconnectAllUnits() { mLog.Add(QStringLiteral("disconnectAllUnits()")); }
    bool mAll = false;
    bool mLow = false;
    QVariantList mUnits;

Q_SIGNALS:
    void allUnitsConnectedAndAuthenticatedChanged();
    void someUnitsConnectedAndAuthenticatedChanged();
    void someUnitsAuthenticationFailed();
    void lostCommsLowTTLChanged();

private:
    cCallLog& mLog;
};

class cFakeConfig : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject* connectionInterface READ connectionInterface CONSTANT)
    Q_PROPERTY(bool configVersionIsNewer MEMBER mNewer NOTIFY configVersionIsNewerChanged)
    Q_PROPERTY(QString version MEMBER mVersion NOTIFY versionChanged)

public:
    explicit cFakeConfig(cCallLog& log)
        : mLog(log)
        , mInterface(log)
    {
    }
    QObject* connectionInterface() { return &mInterface; }
    Q_INVOKABLE void setOnline() { mLog.Add(QStringLiteral("setOnline()")); }
    bool mNewer = false;
    QString mVersion = QStringLiteral("1.3.0");

Q_SIGNALS:
    void configVersionIsNewerChanged();
    void versionChanged();

private:
    cCallLog& mLog;
    cFakeConnectionInterface mInterface;
};

/// The found-units list as the runner starts it ("Demo", then "Other..." selected), in the list model
/// type of the real one, so that the pages' delegates read real `cQmlUnit` entries.
class cFakeFoundUnitsManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QQmlObjectListModel<cQmlUnit>* units READ units CONSTANT)
    Q_PROPERTY(int selectedUnitIndex MEMBER mSelected NOTIFY selectedUnitIndexChanged)
    Q_PROPERTY(QStringList selectedUnitUserList MEMBER mUsers NOTIFY selectedUnitUserListChanged)
    Q_PROPERTY(
        QVariantList selectedUnitUserHasPasswordList MEMBER mHasPassword NOTIFY selectedUnitUserHasPasswordListChanged)
    Q_PROPERTY(bool selectedUnitIsIPAddress READ selectedUnitIsIPAddress NOTIFY selectedUnitIndexChanged)
    Q_PROPERTY(bool hasUserListIPAddressError READ hasUserListIPAddressError NOTIFY userListIPAddressErrorChanged)
    Q_PROPERTY(QString userListIPAddressError MEMBER mError NOTIFY userListIPAddressErrorChanged)
    Q_PROPERTY(QString lastConnectionIpAddress MEMBER mLastIp NOTIFY lastConnectionIpAddressChanged)

public:
    explicit cFakeFoundUnitsManager(cCallLog& log)
        : mLog(log)
        , mUnits(this)
    {
        mUnits.append(new cQmlUnit(QStringLiteral("Demo"), QString(), cQmlUnit::Demo, {}, {}, {}, {}, &mUnits));
        mUnits.append(new cQmlUnit(QStringLiteral("Other..."), QString(), cQmlUnit::Unknown, {}, {}, {}, {}, &mUnits));
    }
    QQmlObjectListModel<cQmlUnit>* units() { return &mUnits; }
    bool selectedUnitIsIPAddress() const { return mSelected == 1; }
    bool hasUserListIPAddressError() const { return !mError.isEmpty(); }
    Q_INVOKABLE QString getUnitName(int UnitIndex) const { return QStringLiteral("unit%1").arg(UnitIndex); }
    Q_INVOKABLE void pauseUserListQuery(bool Pause)
    {
        mLog.Add(QStringLiteral("pauseUserListQuery(%1)").arg(Pause ? "true" : "false"));
    }
    Q_INVOKABLE void setUserChangedSelectedUnit() { mLog.Add(QStringLiteral("setUserChangedSelectedUnit()")); }
    Q_INVOKABLE void requestIPAddressUserList(QString ip) { mLog.Add("requestIPAddressUserList(" + ip + ")"); }
    Q_INVOKABLE void unitIPAddressChanged() { mLog.Add(QStringLiteral("unitIPAddressChanged()")); }
    Q_INVOKABLE void setLastUnitNameAndIndex(int index, QString name)
    {
        mLog.Add(QStringLiteral("setLastUnitNameAndIndex(%1,%2)").arg(index).arg(name));
    }
    Q_INVOKABLE void setLastUnitNameFromIndex(int index)
    {
        mLog.Add(QStringLiteral("setLastUnitNameFromIndex(%1)").arg(index));
    }
    /// A unit as discovery lists it: type is a `cQmlUnit::eUnitType`, versions the parts of its "V".
    Q_INVOKABLE void addUnit(
        QString name, QString ipAddress, int type, QStringList versions, QString productName = QString())
    {
        mUnits.append(new cQmlUnit(name, ipAddress, cQmlUnit::eUnitType(type), versions, productName, {}, {}, &mUnits));
    }
    /// Discovery lost the unit: its entry goes from the list and is deleted, before the views of the
    /// list have had their next polish (as the event loop may well do it), and a selection on it moves
    /// to "Other...".
    Q_INVOKABLE void loseUnit(QString name)
    {
        for (int i = 2; i < mUnits.count(); ++i) {
            cQmlUnit* entry = mUnits.at(i);
            if (entry->name() != name)
                continue;
            mUnits.remove(i);
            QCoreApplication::sendPostedEvents(entry, QEvent::DeferredDelete);
            if (i == mSelected) {
                mSelected = 1;
                Q_EMIT selectedUnitIndexChanged();
            }
            return;
        }
    }
    /// Back to the two fixed entries with "Other..." selected, no users and no error.
    void Reset()
    {
        while (mUnits.count() > 2)
            mUnits.remove(2);
        mSelected = 1;
        mUsers.clear();
        mHasPassword.clear();
        mError.clear();
        mLastIp.clear();
        Q_EMIT selectedUnitIndexChanged();
        Q_EMIT selectedUnitUserListChanged();
        Q_EMIT selectedUnitUserHasPasswordListChanged();
        Q_EMIT userListIPAddressErrorChanged();
        Q_EMIT lastConnectionIpAddressChanged();
    }

    int mSelected = 1;
    QStringList mUsers;
    QVariantList mHasPassword;
    QString mError;
    QString mLastIp;

Q_SIGNALS:
    void selectedUnitIndexChanged();
    void selectedUnitUserListChanged();
    void selectedUnitUserHasPasswordListChanged();
    void userListIPAddressErrorChanged();
    void lastConnectionIpAddressChanged();

private:
    cCallLog& mLog;
    QQmlObjectListModel<cQmlUnit> mUnits;
};

class cFakePrimaryUnit : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString connectionFailureReason MEMBER mReason NOTIFY connectionFailureReasonChanged)

public:
    QString mReason;

Q_SIGNALS:
    void connectionFailureReasonChanged();
};

/// What the pages see of "_application": the properties are writable so that a test sets the
/// scene, the signals are emitted from QML, and every call is logged.
class cFakeApplication : public cCallLog
{
    Q_OBJECT
    Q_PROPERTY(QObject* currentConfig READ currentConfig CONSTANT)
    Q_PROPERTY(QObject* foundUnitsManager READ foundUnitsManager CONSTANT)
    Q_PROPERTY(QObject* primaryUnit READ primaryUnit CONSTANT)
    Q_PROPERTY(QString downloadConfigFailureReason MEMBER mFailure NOTIFY downloadConfigFailureReasonChanged)
    Q_PROPERTY(float downloadProgress MEMBER mProgress NOTIFY downloadProgressChanged)
    Q_PROPERTY(QString username MEMBER mUsername NOTIFY usernameChanged)
    Q_PROPERTY(bool passwordStored MEMBER mPasswordStored NOTIFY passwordStoredChanged)
    Q_PROPERTY(bool rememberLoginDetails MEMBER mRemember NOTIFY rememberLoginDetailsChanged)
    Q_PROPERTY(bool autoLogin MEMBER mAutoLogin NOTIFY autoLoginChanged)
    Q_PROPERTY(bool isDesktop MEMBER mDesktop CONSTANT)
    Q_PROPERTY(bool eulaAccepted MEMBER mEula NOTIFY eulaAcceptedChanged)
    Q_PROPERTY(QString versionString MEMBER mVersionString CONSTANT)
    Q_PROPERTY(QString version MEMBER mVersion CONSTANT)
    Q_PROPERTY(QString fullVersion MEMBER mFullVersion CONSTANT)
    Q_PROPERTY(bool kioskMode MEMBER mKiosk NOTIFY kioskModeChanged)
    Q_PROPERTY(bool melvarBuild MEMBER mMelvar NOTIFY melvarBuildChanged)
    Q_PROPERTY(QString privacyURL MEMBER mPrivacy CONSTANT)
    Q_PROPERTY(bool isProDVX MEMBER mProDVX NOTIFY isProDVXChanged)
    Q_PROPERTY(QString proDVXPIN MEMBER mPin CONSTANT)
    Q_PROPERTY(bool showPinPad MEMBER mShowPinPad NOTIFY showPinPadChanged)
    Q_PROPERTY(bool unlockPasswordMatches MEMBER mUnlockMatches)
    Q_PROPERTY(bool autoLoginUnitRemembered MEMBER mHasAutoLoginUnit)
    Q_PROPERTY(int quitCount MEMBER mQuitCount NOTIFY quitCountChanged)
    Q_PROPERTY(QStringList consoleLines MEMBER mConsoleLines NOTIFY consoleLinesChanged)

public:
    cFakeApplication()
        : mConfig(*this)
        , mFound(*this)
    {
    }
    QObject* currentConfig() { return &mConfig; }
    QObject* foundUnitsManager() { return &mFound; }
    QObject* primaryUnit() { return &mPrimary; }

    Q_INVOKABLE void applicationWindowReady() { Add(QStringLiteral("applicationWindowReady()")); }
    Q_INVOKABLE void autoLoginToUnit() { Add(QStringLiteral("autoLoginToUnit()")); }
    Q_INVOKABLE bool hasAutoLoginUnit() const { return mHasAutoLoginUnit; }
    Q_INVOKABLE void disconnectAndRemovePrimaryUnit() { Add(QStringLiteral("disconnectAndRemovePrimaryUnit()")); }
    Q_INVOKABLE void connectToPrimaryUnit(QString name) { Add("connectToPrimaryUnit(" + name + ")"); }
    Q_INVOKABLE void enterDemoMode(bool enter)
    {
        Add(QStringLiteral("enterDemoMode(%1)").arg(enter ? "true" : "false"));
        if (enter && mDemoAnswersAtOnce)
            Q_EMIT loadDemoConfigSuccessful();
    }
    Q_INVOKABLE void downloadConfig() { Add(QStringLiteral("downloadConfig()")); }
    Q_INVOKABLE void setPassword(QString password) { Add("setPassword(" + password + ")"); }
    Q_INVOKABLE void setUnlockPassword(QString password) { Add("setUnlockPassword(" + password + ")"); }
    Q_INVOKABLE bool checkUnlockPassword(QString password)
    {
        Add("checkUnlockPassword(" + password + ")");
        return mUnlockMatches;
    }
    Q_INVOKABLE QString getQmlUrlForType(QString) { return QStringLiteral("../Widgets/UnknownWidget.qml"); }
    /// Puts every property back to its start value and empties the log.
    Q_INVOKABLE void reset(bool autoLogin, bool kiosk, bool demoAnswersAtOnce)
    {
        mAutoLogin = autoLogin;
        mHasAutoLoginUnit = true;
        mKiosk = kiosk;
        mDemoAnswersAtOnce = demoAnswersAtOnce;
        mRemember = true;
        mUsername.clear();
        mPasswordStored = false;
        mProDVX = false;
        mShowPinPad = false;
        mConfig.mNewer = false;
        mMelvar = false;
        mEula = true;
        mQuitCount = 0;
        mConsoleLines.clear();
        mFound.Reset();
        Q_EMIT melvarBuildChanged();
        Q_EMIT eulaAcceptedChanged();
        Q_EMIT quitCountChanged();
        Q_EMIT consoleLinesChanged();
        Q_EMIT autoLoginChanged();
        Q_EMIT kioskModeChanged();
        Q_EMIT rememberLoginDetailsChanged();
        Q_EMIT usernameChanged();
        Q_EMIT passwordStoredChanged();
        Q_EMIT isProDVXChanged(mProDVX);
        Q_EMIT showPinPadChanged(mShowPinPad);
        clear();
    }

    QString mFailure;
    float mProgress = 0;
    QString mUsername;
    bool mPasswordStored = false;
    bool mRemember = true;
    bool mAutoLogin = false;
    bool mHasAutoLoginUnit = true;
    bool mDesktop = true;
    bool mEula = true;
    QString mVersionString = QStringLiteral("V1.3.1");
    QString mVersion = QStringLiteral("1.3.1");
    QString mFullVersion = QStringLiteral("V1.3.1 - Rev. 76722");
    bool mKiosk = false;
    bool mMelvar = false;
    QString mPrivacy = QStringLiteral("https://www.quendle-audio.example/company/privacy-statement/");
    bool mProDVX = false;
    QString mPin = QStringLiteral("5307");
    bool mShowPinPad = false;
    bool mUnlockMatches = false;
    bool mDemoAnswersAtOnce = false;
    int mQuitCount = 0;
    QStringList mConsoleLines;

    void AddConsoleLine(const QString& line)
    {
        mConsoleLines.append(line);
        Q_EMIT consoleLinesChanged();
    }

public Q_SLOTS:
    /// Connected to the engine's quit: the test process goes on, the test sees that QML asked.
    void CountQuit()
    {
        ++mQuitCount;
        Q_EMIT quitCountChanged();
    }

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
    void isProDVXChanged(bool);
    void showPinPadChanged(bool);
    void melvarBuildChanged();
    void quitCountChanged();
    void consoleLinesChanged();

private:
    cFakeConfig mConfig;
    cFakeFoundUnitsManager mFound;
    cFakePrimaryUnit mPrimary;
};
