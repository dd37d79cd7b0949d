#pragma once

#include "Quendle/Widgets/Control/RotaryWidget.h"

/// The rotary of the second family: a level, a crosspoint level or an output balance, each over the
/// channel types it can address. Older layouts name control types that no longer exist ("level"
/// with a level type, "outputBal"); loading turns them into the current ones and keeps the stored
/// channel types.
class cZUNetRotaryWidgetVespril : public cZUNetRotaryWidget
{
    Q_OBJECT

public:
    static const tCodeTable mControlTypeIndexToCodesWithoutOldTypes;
    static const tCodeTable mControlTypeIndexToCodesWithOldTypes;
    static const tCodeTable mChannelTypeIndexToCodesAll;
    static const tCodeTable mChannelTypeIndexToCodesLevel;
    static const tCodeTable mChannelTypeIndexToCodesXPointSource;
    static const tCodeTable mChannelTypeIndexToCodesXPointDest;
    static const tCodeTable mChannelTypeIndexToCodesBalance;

    using cZUNetRotaryWidget::cZUNetRotaryWidget;

    static cWidget* CreateWidget(int id, QObject* parent, const cConfigBase& configuration);
    static const QString& TypeKey();
    static std::list<std::string> GetAllObjectRequestRegExpsStatic();

    QString Type() const override { return TypeKey(); }
    void Init() override;
    void LoadAttributes(QXmlStreamReader& reader) override;
    std::list<std::string> GetAllObjectRequestRegExps() const override { return GetAllObjectRequestRegExpsStatic(); }
    tCodeTable GetChannelTypeIndexToCodes() const override { return mCurrentChannelTypes; }
    tCodeTable GetControlTypeIndexToCodes() const override { return mCurrentControlTypes; }
    void ConnectSignalsAndSlots() override;
    void SetPropertyVisibility() override;
    void GetObjectNamesAndParametersString(std::string& key) override;
    bool IsLevelControl() override;

public Q_SLOTS:
    void PropertyControlTypeChanged();

private:
    /// Makes current the channel types of the control type (all of them while loading); their labels.
    QStringList CreateChannelTypePropertiesListAndUpateCodes();
    static const tCodeTable& ChannelTypesFor(const QString& controlType, const tCodeTable& otherwise);

    tCodeTable mCurrentControlTypes;
    tCodeTable mCurrentChannelTypes;
    bool mLoading = false;
};
