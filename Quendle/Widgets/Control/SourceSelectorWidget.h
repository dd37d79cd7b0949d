#pragma once

#include "Quendle/AppCommon/QQmlObjectListModel.h"
#include "Quendle/AppCommon/SourceInfo.h"
#include "Quendle/Drivers/DriverBase.h"
#include "Quendle/Widgets/Base/ZUNetWidget.h"

#include <QObject>
#include <QString>

#include <list>
#include <string>
#include <vector>

class cZUNetStringDriver;
class cZUNetUBYTEDriver;

/// Chooses which of a unit's sources feeds one of its source selectors. The unit names four
/// objects: the number of sources, the current source, and the first source's name and colour
/// (the others follow at the next parameters). The widget keeps one name and one colour driver and
/// one `cSourceInfo` per source, made and removed as the number changes, and sends the index the
/// user confirms. The leaves give the type key and the request's object word.
class cZUNetSourceSelectorWidget : public cZUNetWidget, private cDriverListener
{
    Q_OBJECT
    Q_PROPERTY(QObject* sourceInfoList READ sourceInfoList CONSTANT)
    Q_PROPERTY(
        int currentSourceIndex READ currentSourceIndex WRITE setCurrentSourceIndex NOTIFY currentSourceIndexChanged)
    Q_PROPERTY(QString textFont READ textFont NOTIFY textFontChanged)
    Q_PROPERTY(bool isSwipeBox READ isSwipeBox NOTIFY isSwipeBoxChanged)
    Q_PROPERTY(bool arrowsAlignLeft READ arrowsAlignment NOTIFY arrowsAlignmentChanged)
    Q_PROPERTY(QString backgroundColour READ backgroundColour NOTIFY backgroundColourChanged)
    Q_PROPERTY(QString delegateBgColour READ delegateBgColour NOTIFY delegateBgColourChanged)
    Q_PROPERTY(bool useSourceColour READ useSourceColour NOTIFY useSourceColourChanged)
    Q_PROPERTY(QString borderColour READ borderColour NOTIFY borderColourChanged)
    Q_PROPERTY(QString textColour READ textColour NOTIFY textColourChanged)
    Q_PROPERTY(float cornerRadius READ cornerRadius NOTIFY cornerRadiusChanged)
    Q_PROPERTY(QString imageBackgroundIdentifier READ imageBackgroundIdentifier NOTIFY imageBackgroundIdentifierChanged)
    Q_PROPERTY(bool useCustomBackground READ useCustomBackground NOTIFY imageBackgroundIdentifierChanged)
    Q_PROPERTY(QString imageDelegateIdentifier READ imageDelegateIdentifier NOTIFY imageDelegateIdentifierChanged)
    Q_PROPERTY(bool useDelegateImage READ useDelegateImage NOTIFY imageDelegateIdentifierChanged)
    Q_PROPERTY(int arrowStyleComboIndex READ arrowStyleComboIndex NOTIFY arrowStyleChanged)
    Q_PROPERTY(int okButtonStyleComboIndex READ okButtonStyleComboIndex NOTIFY okButtonStyleChanged)
    Q_PROPERTY(QString confirmationText READ confirmationText NOTIFY confirmationTextChanged)

public:
    using tSourceList = QQmlObjectListModel<cSourceInfo>;

    static const tCodeTable mControlTypesToCodes;
    static const tCodeTable mOnOffTypesToCodes;
    static const tCodeTable mArrowsAlignmentTypesToCodes;
    static const tCodeTable mStyleTypesToCodes;
    static const tCodeTable mUseSourceColourTypesToCodes;
    /// The pairs a reply must hold: number of sources, current source, first name, first colour.
    static constexpr std::size_t kPairsNeeded = 4;

    cZUNetSourceSelectorWidget(int id, QObject* parent, const cConfigBase& configuration);
    ~cZUNetSourceSelectorWidget() override;

    /// The object word of the request key.
    virtual std::string SourceSelectorObjectName() const;
    void NetObjectNamesAndParametersReceived(
        Quendle::eRequestNameParamStatusCode status, const tNamesAndParameters& namesAndParameters) override;

    void SetOnline() override;
    void SetOffline() override;
    void SetWidgetToDemoMode() override;
    void LoadAttributes(QXmlStreamReader& reader) override;
    void WriteAttributes(QXmlStreamWriter& writer) const override;
    std::list<std::string> GetAllObjectRequestRegExps() const override;

    std::string RequestKey() const;
    tSourceList* SourceList() const { return mSourceList; }
    /// The per-source drivers, in source order.
    int SourceDriverCount() const { return int(mSourceDrivers.size()); }
    cZUNetStringDriver* NameDriver(int source) const { return mSourceDrivers.at(source).mName; }
    cZUNetUBYTEDriver* ColourDriver(int source) const { return mSourceDrivers.at(source).mColour; }
    cZUNetUBYTEDriver* NumberOfSourcesDriver() const { return mNumberOfSources; }
    cZUNetUBYTEDriver* CurrentSourceDriver() const { return mCurrentSource; }

    QObject* sourceInfoList() const { return mSourceList; }
    /// -1 without a driver.
    int currentSourceIndex() const;
    /// Sent once, and only when it changes; nothing without a driver or outside 0..255.
    void setCurrentSourceIndex(int index);
    QString textFont() const { return mFont.stringValue(); }
    bool isSwipeBox() const;
    bool arrowsAlignment() const;
    QString backgroundColour() const { return mBackgroundColour.stringValue(); }
    QString delegateBgColour() const { return mItemColour.stringValue(); }
    bool useSourceColour() const { return mBorderColourMode.Index() == 0; }
    QString borderColour() const { return mBorderColour.stringValue(); }
    QString textColour() const { return mTextColour.stringValue(); }
    float cornerRadius() const { return mRadius.FloatValue(); }
    QString imageBackgroundIdentifier() const { return mBackgroundImage.stringValue(); }
    bool useCustomBackground() const { return mUseCustomBackground; }
    QString imageDelegateIdentifier() const { return mItemImage.stringValue(); }
    bool useDelegateImage() const { return mUseDelegateImage; }
    int arrowStyleComboIndex() const { return mArrowStyle.Index(); }
    int okButtonStyleComboIndex() const { return mConfirmButtonStyle.Index(); }
    QString confirmationText() const { return mConfirmText.stringValue(); }

    cLazyInt mSourceSelector;
    cLazyFont mFont;
    cLazyCombo mInterfaceType;
    cLazyCombo mArrowAlignment;
    cLazyCombo mArrowStyle;
    cLazyCombo mConfirmButtonStyle;
    cLazyCombo mBorderColourMode;
    cLazyColour mBackgroundColour;
    cLazyColour mItemColour;
    cLazyColour mBorderColour;
    cLazyColour mTextColour;
    cLazySizeFraction mRadius;
    cLazyString mConfirmText;
    cLazyImage mBackgroundImage;
    cLazyImage mItemImage;

Q_SIGNALS:
    void currentSourceIndexChanged();
    void textFontChanged();
    void isSwipeBoxChanged();
    void arrowsAlignmentChanged();
    void backgroundColourChanged();
    void delegateBgColourChanged();
    void useSourceColourChanged();
    void borderColourChanged();
    void textColourChanged();
    void cornerRadiusChanged();
    void imageBackgroundIdentifierChanged();
    void imageDelegateIdentifierChanged();
    void arrowStyleChanged();
    void okButtonStyleChanged();
    void confirmationTextChanged();
    void imageBackgroundChanged();
    void imageDelegateChanged();

private Q_SLOTS:
    void SourceIntPropertyChanged();
    void PropertyControlTypeChanged();
    void PropertyUseSourceColourChanged();
    void PropertyBackgroundImageSelectionChanged();
    void PropertyDelegateImageSelectionChanged();

private:
    struct sSourceDrivers {
        cZUNetStringDriver* mName;
        cZUNetUBYTEDriver* mColour;
        cSourceInfo* mInfo;
    };

    void DriverChanged(cZUNetDriverBase& driver) override;
    void SetPropertyVisibility();
    void CreateDrivers();
    void DeleteDrivers();
    void NumberOfSourcesChanged();
    /// Drivers and their links for sources `first` onwards.
    void CreateAndAppendNameAndColourDrivers(int count);
    void RemoveLastNNameAndColourDrivers(int count);
    void LinkSource(const sSourceDrivers& source, int index);

    tSourceList* mSourceList;
    cZUNetUBYTEDriver* mNumberOfSources = nullptr;
    cZUNetUBYTEDriver* mCurrentSource = nullptr;
    std::vector<sSourceDrivers> mSourceDrivers;
    bool mUseCustomBackground = false;
    bool mUseDelegateImage = false;
};
