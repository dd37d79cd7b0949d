#pragma once

#include "Quendle/Drivers/DriverBase.h"
#include "Quendle/Widgets/Control/ButtonWidget.h"

#include <QList>

class cQuendlePlaybackNetObject;

/// The button of the second family: 14 functions with channel-type lists that follow the function,
/// a Preset Number, and three functions of its own: paging (a talk button that closes zones, latched
/// by a short press and momentary for a long one), room divider, and playback of a track on the
/// unit's player with a third, paused, look.
class cZUNetButtonWidgetVespril : public cZUNetButtonWidget
{
    Q_OBJECT

public:
    static const tCodeTable mButtonFunctionIndexToCodes;
    static const tCodeTable mChannelTypeIndexToCodesIncludingRoom;
    static const tCodeTable mChannelTypeIndexToCodesMute;
    static const tCodeTable mChannelTypeIndexToCodesXPointsSource;
    static const tCodeTable mChannelTypeIndexToCodesXPointsDest;
    static const QStringList mPlaybackChannelCodes;
    /// A press shorter than this latches paging; a longer one is momentary.
    static constexpr int mPagingToggleTimeout = 330;
    /// A playback press this long or longer stops the track.
    static constexpr int mPlaybackModeTimeout = 1000;
    /// Zones one paging button may hold; more in a layout are left out with a trace.
    static constexpr int MAX_PAGING_ZONES = 64;

    cZUNetButtonWidgetVespril(int id, QObject* parent, const cConfigBase& configuration);
    ~cZUNetButtonWidgetVespril() override;

    QString Type() const override;
    void Init() override;
    std::list<std::string> GetAllObjectRequestRegExps() const override { return GetAllObjectRequestRegExpsStatic(); }
    static std::list<std::string> GetAllObjectRequestRegExpsStatic();
    tCodeTable GetFunctionTypeIndexToCodes() const override { return mButtonFunctionIndexToCodes; }
    tCodeTable GetChannelTypeIndexToCodes() const override { return mCurrentChannelTypeIndexToCodes; }
    tCodeTable GetDestChannelTypeIndexToCodes() const override { return mChannelTypeIndexToCodesXPointsDest; }

    void LoadAttributes(QXmlStreamReader& reader) override;
    void WriteAttributes(QXmlStreamWriter& writer) const override;
    bool value() const override;
    bool altValue() const override;
    QString altColour() const override;
    QString imageAltIdentifier() const override;
    void SetPropertyVisibility() override;
    void CreateDriver() override;
    void SetButtonType() override;
    void GetObjectNamesAndParametersString(std::string& key) override;
    void CreateAssignments(bool bidirect) override;
    void ConnectSignalsAndSlots() override;
    void pressed() override;
    void released() override;
    QStringList ImageIdentifiers() override;
    void ReplaceImageId(const QString& oldId, const QString& newId) override;

    const QList<int>& PagingZones() const { return mPagingZones; }
    const QList<cZUNetBooleanSwitchDriver*>& PagingZoneDrivers() const { return mPagingZoneDrivers; }
    cQuendlePlaybackNetObject* PlaybackObject() const { return mPlaybackNetObject; }

    static cWidget* CreateWidget(int id, QObject* parent, const cConfigBase& configuration);

Q_SIGNALS:
    void altImageChanged();

public Q_SLOTS:
    void PropertyFunctionChanged() override;
    void PropertyPagingDestinationsChanged();
    void RoomABPropertyChanged();
    void PropertyAltImageSelectionChanged();

protected:
    const std::vector<sFunctionRow>& FunctionRows() const override;

private:
    /// The zone drivers' changes, told by plain call as the other drivers tell the base.
    class cZoneListener : public ::cDriverListener
    {
    public:
        explicit cZoneListener(cZUNetButtonWidgetVespril& owner)
            : mOwner(owner)
        {
        }
        void DriverChanged(cZUNetDriverBase& driver) override;

    private:
        cZUNetButtonWidgetVespril& mOwner;
    };

    /// Chooses the channel-type list for the function; its labels.
    QStringList CreateChannelTypePropertiesListAndUpateCodes();
    void ParsePagingZones();
    void EnforcePagingZones();
    void PagingDriverValueChanged(int index);
    void RetireVesprilDrivers();
    /// The milliseconds since the last press.
    qint64 PressedFor() const;

    cLazyString mPagingDestChannels;
    cLazyInt mRoomA;
    cLazyInt mRoomB;
    cLazyColour mAltColour;
    cLazyImage mAltImage;
    cLazyInt mPlaybackTrack;
    cLazyCombo mPlaybackChannel;

    tCodeTable mCurrentChannelTypeIndexToCodes;
    QList<cZUNetBooleanSwitchDriver*> mPagingZoneDrivers;
    QList<int> mPagingZones;
    cQuendlePlaybackNetObject* mPlaybackNetObject = nullptr;
    cZoneListener mZoneListener { *this };
    /// When the current press began, on the button's clock; -1 while none is held.
    qint64 mPressedAt = -1;
};
