#pragma once

#include "Quendle/Widgets/Control/ControlWidgetBase.h"
#include "Quendle/Widgets/Control/LevelControlWidgetBase.h"

#include <QString>

#include <list>
#include <string>

/// The smallest leaf of the control base: a function table with every function the base knows
/// and one it does not, a two-row channel-type table and a longer destination table, and a
/// QML-facing setter for the switch.
class cTestControlWidget : public cZUNetControlWidgetBase
{
    Q_OBJECT

public:
    static const tCodeTable kFunctions;
    static const tCodeTable kChannelTypes;
    static const tCodeTable kDestChannelTypes;

    /// `type` stands in for a leaf's type key (a very long one cannot name a driver).
    cTestControlWidget(int id, QObject* parent, const cConfigBase& configuration,
        const QString& type = QStringLiteral("test_zunet_button"));

    QString Type() const override { return mType; }
    void Init() override;
    std::list<std::string> GetAllObjectRequestRegExps() const override;
    tCodeTable GetChannelTypeIndexToCodes() const override { return kChannelTypes; }
    tCodeTable GetDestChannelTypeIndexToCodes() const override { return kDestChannelTypes; }

    /// What a press in QML does: the switch takes the value and sends it.
    Q_INVOKABLE void setValue(bool on);

    cComboProperty* FunctionProperty() { return mFunction.Object(); }
    cComboProperty* ChannelTypeProperty() { return mChannelType.Object(); }
    cComboProperty* DestChannelTypeProperty() { return mDestChannelType.Object(); }
    cIntProperty* PAFLNumberProperty() { return mPAFLNumber.Object(); }
    cIntProperty* SceneNumberProperty() { return mSceneNumber.Object(); }
    void SelectFunction(const QString& code);

    int mAnswers = 0;

    void NetObjectNamesAndParametersReceived(
        Quendle::eRequestNameParamStatusCode status, const tNamesAndParameters& namesAndParameters) override
    {
        ++mAnswers;
        cZUNetControlWidgetBase::NetObjectNamesAndParametersReceived(status, namesAndParameters);
    }

private:
    const QString mType;
};

/// The smallest leaf of the level base: level types "mainlevel" and "sendlevel", the key
/// level/ct/n[/dct/dn], and a QML position from 0 to 1 through the fader law.
class cTestLevelWidget : public cZUNetLevelControlWidgetBase
{
    Q_OBJECT
    Q_PROPERTY(double position READ position WRITE setPosition NOTIFY positionChanged)

public:
    static const tCodeTable kLevelTypes;
    static const tCodeTable kChannelTypes;

    cTestLevelWidget(int id, QObject* parent, const cConfigBase& configuration,
        const QString& type = QStringLiteral("test_zunet_fader"));

    QString Type() const override { return mType; }
    void Init() override;
    std::list<std::string> GetAllObjectRequestRegExps() const override;
    tCodeTable GetChannelTypeIndexToCodes() const override { return kChannelTypes; }
    void SetOnline() override;
    void DriverValueChanged() override;
    void QmlValueChanged(double position) override;
    void NetObjectNamesAndParametersReceived(
        Quendle::eRequestNameParamStatusCode status, const tNamesAndParameters& namesAndParameters) override
    {
        ++mAnswers;
        cZUNetLevelControlWidgetBase::NetObjectNamesAndParametersReceived(status, namesAndParameters);
    }

    /// -1 until the unit has sent a gain.
    double position() const { return mPosition; }
    void setPosition(double position) { QmlValueChanged(position); }
    /// The request key the widget sends.
    std::string Key() const;

    cComboProperty* ChannelTypeProperty() { return mChannelType.Object(); }
    cComboProperty* DestChannelTypeProperty() { return mDestChannelType.Object(); }

    int mDriverValueCalls = 0;
    int mAnswers = 0;

Q_SIGNALS:
    void positionChanged();

private:
    const QString mType;
    double mPosition = -1.0;
};
