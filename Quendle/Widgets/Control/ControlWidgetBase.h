#pragma once

#include "Quendle/Drivers/DriverBase.h"
#include "Quendle/Widgets/Base/ZUNetWidget.h"

#include "ZUNet/Core/ZUNetTypes.h"

#include <QLatin1String>
#include <QList>
#include <QString>

#include <string>
#include <vector>

class cZUNetBooleanSwitchDriver;
class cZUNetUWORDDriver;

/// Base of the on/off widgets bound to a mixing unit (buttons and LEDs): their shared editor
/// properties, the request key built from the selected function and channel numbers, the drivers
/// that carry the on/off state (and a scene or tap-tempo word), their links, and one boolean
/// `value` for QML.
///
/// The leaf declares, in its constructor or `Init`: `mFunction` with `mFunctionCodes` (position i
/// of the combo is code i), `mChannelType` and `mDestChannelType` (combos over the labels of
/// `GetChannelTypeIndexToCodes()` and `GetDestChannelTypeIndexToCodes()`), `mPAFLNumber` and
/// `mSceneNumber`; then it calls `ConnectSignalsAndSlots()` and connects its Function property to
/// `PropertyFunctionChanged`. Any of them may be missing: this base then leaves that part out.
/// The properties are lazy (`cLazyPropertyBase`): the base reads and writes them with `.`, and
/// their objects are made only when the editor's tree or a caller (`->`) wants them.
class cZUNetControlWidgetBase : public cZUNetWidget, private cDriverListener
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text NOTIFY textChanged)
    Q_PROPERTY(QString textFont READ textFont NOTIFY textFontChanged)
    Q_PROPERTY(QString textColour READ textColour NOTIFY textColourChanged)
    Q_PROPERTY(QString onColour READ onColour NOTIFY onColourChanged)
    Q_PROPERTY(QString offColour READ offColour NOTIFY offColourChanged)
    Q_PROPERTY(QString imageOffIdentifier READ imageOffIdentifier NOTIFY imageOffIdentifierChanged)
    Q_PROPERTY(QString imageOnIdentifier READ imageOnIdentifier NOTIFY imageOnIdentifierChanged)
    Q_PROPERTY(float value READ value NOTIFY valueChanged)
    Q_PROPERTY(float cornerRadius READ cornerRadius NOTIFY cornerRadiusChanged)

public:
    cZUNetControlWidgetBase(int id, QObject* parent, const cConfigBase& configuration);
    ~cZUNetControlWidgetBase() override;

    // Virtual operations added after those of cZUNetWidget, in this order.
    /// On or off as shown; false while the driver it needs does not exist.
    virtual bool value() const;
    void NetObjectNamesAndParametersReceived(
        Quendle::eRequestNameParamStatusCode status, const tNamesAndParameters& namesAndParameters) override;
    virtual void SetPropertyVisibility();
    virtual void CreateDriver();
    virtual void SetButtonType();
    virtual void GetObjectNamesAndParametersString(std::string& key);
    virtual void CreateAssignments(bool bidirect);
    virtual void ConnectSignalsAndSlots();
    virtual tCodeTable GetChannelTypeIndexToCodes() const = 0;
    virtual tCodeTable GetDestChannelTypeIndexToCodes() const { return GetChannelTypeIndexToCodes(); }

    void LoadAttributes(QXmlStreamReader& reader) override;
    void WriteAttributes(QXmlStreamWriter& writer) const override;
    /// Requests the names for the current key, then makes new drivers.
    void SetOnline() override;
    /// Removes every link the answer made, then goes off line.
    void SetOffline() override;
    QStringList ImageIdentifiers() override;
    void ReplaceImageId(const QString& oldId, const QString& newId) override;

    QString text() const;
    QString textFont() const;
    QString textColour() const;
    QString onColour() const;
    QString offColour() const;
    QString imageOffIdentifier() const;
    QString imageOnIdentifier() const;
    float cornerRadius() const;

    void SetOffColour(const QString& colour);
    /// The selected Function's code; empty when the index is outside the code list.
    QString FunctionCode() const;
    cZUNetBooleanSwitchDriver* SwitchDriver() const { return mSwitchDriver; }
    cZUNetUWORDDriver* UWORDDriver() const { return mUWORDDriver; }

    /// What one function code does here: its request key after the code (in order; the editor
    /// shows the properties of these parts and hides the others), the drivers it makes, the links
    /// it queues, and how `value` reads.
    struct sFunctionRow {
        enum ePart {
            Channel, ///< channel type code / channel number
            Destination, ///< destination type code (in the channel-type table) / destination number
            ChannelNumber,
            PAFLNumber,
            MuteGroup,
            AMMNumber,
            FxUnit,
            GlobalLocalSource,
            LeftRightSource,
            SceneNumber,
        };
        enum eWord {
            NoWord,
            TapWord, ///< a word driver that sends the taps; the switch shows the unit's indicator
            SceneWord, ///< a word driver that holds the unit's scene; `value` compares it, no switch
            LevelWord, ///< a word driver that holds the unit's level, which a press steps
        };
        enum eLinks {
            NoLinks,
            SwitchLink, ///< first object -> switch, sync, both ways when asked
            TapTempoLinks, ///< word -> first object when asked; last object -> switch
            PAFLClearLinks, ///< switch -> first object when asked; last object -> switch, sync
            SceneLink, ///< first object -> word, sync, both ways
        };

        QLatin1String mCode;
        std::vector<ePart> mKeyParts;
        eWord mWord = NoWord;
        eLinks mLinks = NoLinks;
        /// Shown on while the unit's switch is off.
        bool mInvert = false;
        /// The switch goes back to off `TAP_TEMPO_FLASH_MS` after the unit turns it on.
        bool mFlash = false;
    };
    /// The functions this base knows; a leaf with functions of its own adds rows through
    /// `FunctionRows`.
    static const std::vector<sFunctionRow>& BaseFunctionRows();
    /// The row of `code`; an empty row (the bare code as key, a switch and no links) when no row has it.
    const sFunctionRow& FunctionRow(const QString& code) const;

    /// The milliseconds a momentary button stays on after a click.
    static const UBYTE PULSE_INTERVAL = 100;
    /// The milliseconds the tap-tempo indicator stays lit.
    static const int TAP_TEMPO_FLASH_MS = 20;

    static const tCodeTable mLeftRightSourceIndexToCodes;
    static const tCodeTable mGlobalLocalSourceIndexToCodes;

    cLazyString mText;
    cLazyInt mChannelNumber;
    cLazyInt mDestChannelNumber;
    cLazyInt mMuteGroup;
    cLazyInt mAMMNumber;
    cLazyInt mFxUnit;
    cLazyColour mOnColour;
    cLazyColour mOffColour;
    cLazyCombo mLeftRightSource;
    cLazyCombo mGlobalLocalSource;
    cLazySizeFraction mRadius;
    cLazyFont mFont;
    cLazyColour mTextColour;
    cLazyImage mOffImage;
    cLazyImage mOnImage;

Q_SIGNALS:
    void offImageChanged();
    void onImageChanged();
    void textChanged();
    void textFontChanged();
    void textColourChanged();
    void onColourChanged();
    void offColourChanged();
    void imageOffIdentifierChanged();
    void imageOnIdentifierChanged();
    void valueChanged();
    void cornerRadiusChanged();

public Q_SLOTS:
    virtual void PropertyFunctionChanged();
    void PropertyOffImageSelectionChanged();
    void PropertyOnImageSelectionChanged();
    virtual void ValueChanged();

private Q_SLOTS:
    void PropertyChannelTypeChanged();
    void PropertyChannelNumberChanged();
    void PropertyDestChannelTypeChanged();
    void PropertyDestchannelNumberChanged();
    void PropertyPAFLNumberChanged();
    void PropertyMuteGroupNumberChanged();
    void PropertyAMMNumberChanged();
    void PropertyFxUnitChanged();
    void PropertyGlobalSourceChanged();
    void PropertyLeftSourceChanged();
    void SwitchTempoIndicatorToFalse();
    void PropertySceneNumberChanged();

protected:
    /// The rows looked up by function code; the base's rows unless the leaf adds its own.
    virtual const std::vector<sFunctionRow>& FunctionRows() const { return BaseFunctionRows(); }
    const sFunctionRow& CurrentFunction() const { return FunctionRow(FunctionCode()); }
    /// The number property of a key part, null for the parts that are no single number and for a
    /// property the leaf left out.
    const cLazyInt* PartNumber(sFunctionRow::ePart part) const;
    /// The properties the editor shows for a key part.
    QList<cLazyPropertyBase*> PartProperties(sFunctionRow::ePart part);
    /// A binding property changed: while on line, a new key, new drivers and new links.
    void BindingChanged();
    sChannelAddress Channels() const;
    void DeleteDrivers();

    // Declared by the leaf.
    cLazyCombo mFunction;
    QList<QString> mFunctionCodes;
    cLazyCombo mChannelType;
    cLazyCombo mDestChannelType;
    cLazyInt mPAFLNumber;
    cLazyInt mSceneNumber;

    cZUNetBooleanSwitchDriver* mSwitchDriver = nullptr;
    cZUNetUWORDDriver* mUWORDDriver = nullptr;
    bool mInvert = false;

private:
    void DriverChanged(cZUNetDriverBase& driver) override;
};
