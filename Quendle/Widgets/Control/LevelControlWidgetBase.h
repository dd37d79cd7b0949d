#pragma once

#include "Quendle/Drivers/DriverBase.h"
#include "Quendle/Widgets/Base/ZUNetWidget.h"

#include "ZUNet/Core/ZUNetTypes.h"

#include <QList>
#include <QString>

class cZUNetUWORDDriver;

/// Base of the widgets that set a gain on a mixing unit (faders and rotaries): their shared editor
/// properties and one word driver carrying the unit's gain code (dB × 256 + 32768, 0 = minus
/// infinity), made in `Init` and kept for the widget's life, linked both ways to the first object
/// the unit names. The leaf maps code and on-screen position (`DriverValueChanged`,
/// `QmlValueChanged`) and builds the request key in its `SetOnline`.
///
/// The driver starts without a value (`cZUNetUWORDDriver::NO_VALUE`); until the unit has sent one,
/// `DriverValueChanged` is not called and `SendLevel` sends nothing, so nothing jumps to the top or
/// is written back.
///
/// The leaf declares: `mChannelType` and `mDestChannelType` (combos over the labels of
/// `GetChannelTypeIndexToCodes()`), and `mBackgroundImage` and `mControlImage`; it sets the Level
/// Type entries with `mLevelTypeCodes`; then calls `ConnectSignalsAndSlots()` and connects the
/// channel-type and image properties. The properties are lazy (`cLazyPropertyBase`): the base
/// reads and writes them with `.`, and their objects are made only when the editor's tree or a
/// caller (`->`) wants them.
class cZUNetLevelControlWidgetBase : public cZUNetWidget, private cDriverListener
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text NOTIFY textChanged)
    Q_PROPERTY(QString imageBackgroundIdentifier READ imageBackgroundIdentifier NOTIFY imageBackgroundIdentifierChanged)
    Q_PROPERTY(QString imageControlIdentifier READ imageControlIdentifier NOTIFY imageControlIdentifierChanged)
    Q_PROPERTY(QString textFont READ textFont NOTIFY textFontChanged)
    Q_PROPERTY(QString textColour READ textColour NOTIFY textColourChanged)
    Q_PROPERTY(QString controlColour READ controlColour NOTIFY controlColourChanged)
    Q_PROPERTY(QString overlayColour READ overlayColour NOTIFY overlayColourChanged)

public:
    cZUNetLevelControlWidgetBase(int id, QObject* parent, const cConfigBase& configuration);
    ~cZUNetLevelControlWidgetBase() override;

    // Virtual operations added after those of cZUNetWidget, in this order.
    virtual tCodeTable GetChannelTypeIndexToCodes() const = 0;
    void NetObjectNamesAndParametersReceived(
        Quendle::eRequestNameParamStatusCode status, const tNamesAndParameters& namesAndParameters) override;
    virtual void ConnectSignalsAndSlots();
    virtual void SetPropertyVisibility();
    /// Shows the driver's gain code; called only while the driver holds a value.
    virtual void DriverValueChanged() = 0;
    /// Turns a position set in QML into a gain code and sends it (`SendLevel`).
    virtual void QmlValueChanged(double position) = 0;

    void Init() override;
    void LoadAttributes(QXmlStreamReader& reader) override;
    void WriteAttributes(QXmlStreamWriter& writer) const override;
    /// Removes the link, then goes off line.
    void SetOffline() override;
    QStringList ImageIdentifiers() override;
    void ReplaceImageId(const QString& oldId, const QString& newId) override;

    /// Replaces the level driver (named after the type and id); called by `Init`.
    void CreateDriver();
    /// With `remove`, undoes the link made; otherwise links the first pair both ways to the driver.
    void CreateAssignments(bool remove);

    QString text() const;
    QString imageBackgroundIdentifier() const;
    QString imageControlIdentifier() const;
    QString textFont() const;
    QString textColour() const;
    QString controlColour() const;
    QString overlayColour() const;

    cZUNetUWORDDriver* LevelDriver() const { return mLevelDriver; }
    /// The selected Level Type's code; empty when the index is outside the code list.
    QString LevelTypeCode() const;
    QString AudioTaperCode() const;

    static const tCodeTable mOnOffIndexToCodes;

    cLazyString mText;
    cLazyCombo mLevelType;
    cLazyInt mChannelNumber;
    cLazyInt mDestChannelNumber;
    cLazyInt mMinGain;
    cLazyInt mMaxGain;
    cLazyCombo mMinToInf;
    cLazyCombo mAudioTaper;
    cLazyFont mFont;
    cLazyColour mTextColour;
    cLazyColour mKnobColour;
    cLazyColour mOverlayColour;

Q_SIGNALS:
    void backgroundImageChanged();
    void controlImageChanged();
    void textChanged();
    void imageBackgroundIdentifierChanged();
    void imageControlIdentifierChanged();
    void textFontChanged();
    void textColourChanged();
    void controlColourChanged();
    void overlayColourChanged();

public Q_SLOTS:
    virtual void PropertyAudioTaperChanged();
    void PropertyChannelTypeChanged();
    void PropertyDestChannelTypeChanged();
    void PropertyControlImageSelectionChanged();

private Q_SLOTS:
    void PropertyLevelTypeChanged();
    void PropertyChannelNumberChanged();
    void PropertyDestChannelNumberChanged();

protected:
    /// Sends a gain code to the unit; "no value" is never sent.
    void SendLevel(UWORD code);
    sChannelAddress Channels() const;

    // Declared or set by the leaf.
    cLazyCombo mChannelType;
    cLazyCombo mDestChannelType;
    QList<QString> mLevelTypeCodes;
    cLazyImage mBackgroundImage;
    cLazyImage mControlImage;

    cZUNetUWORDDriver* mLevelDriver = nullptr;

private:
    void DriverChanged(cZUNetDriverBase& driver) override;
    void LevelDriverValueChanged();
};
