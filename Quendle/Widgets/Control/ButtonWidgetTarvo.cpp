#include "Quendle/Widgets/Control/ButtonWidgetTarvo.h"

#include "Quendle/Widgets/Control/FaderWidgetTarvo.h"

const cZUNetWidget::tCodeTable cZUNetButtonWidgetTarvo::mButtonFunctionIndexToCodes {
    { QStringLiteral("Mute"), QStringLiteral("mute") },
    { QStringLiteral("PAFL"), QStringLiteral("pafl") },
    { QStringLiteral("PAFL Clear"), QStringLiteral("paflclear") },
    { QStringLiteral("Scene Recall"), QStringLiteral("scenerecall") },
    { QStringLiteral("Talkback Assign"), QStringLiteral("talkbackassign") },
    { QStringLiteral("Mute Group"), QStringLiteral("mutegrp") },
    { QStringLiteral("Level Up"), QStringLiteral("levelup") },
    { QStringLiteral("Level Down"), QStringLiteral("leveldown") },
    { QStringLiteral("Send Level Up"), QStringLiteral("sendlevelup") },
    { QStringLiteral("Send Level Down"), QStringLiteral("sendleveldown") },
    { QStringLiteral("AMM Channel Active"), QStringLiteral("ammchactive") },
    { QStringLiteral("AMM In-Out"), QStringLiteral("amminout") },
    { QStringLiteral("Tap Tempo"), QStringLiteral("taptempo") },
    { QStringLiteral("Custom MIDI"), QStringLiteral("custmidi") },
    { QStringLiteral("Send Assign"), QStringLiteral("sendonoff") },
};

// A reference: bound before any initialiser runs, whichever file's tables are built first.
const cZUNetWidget::tCodeTable& cZUNetButtonWidgetTarvo::mChannelTypeIndexToCodes
    = cZUNetFaderWidgetTarvo::mChannelTypeIndexToCodes;

cZUNetButtonWidgetTarvo::cZUNetButtonWidgetTarvo(int id, QObject* parent, const cConfigBase& configuration)
    : cZUNetButtonWidget(id, parent, configuration)
{
}

QString cZUNetButtonWidgetTarvo::Type() const
{
    static const QString type = QStringLiteral("zunet_button");
    return type;
}

cWidget* cZUNetButtonWidgetTarvo::CreateWidget(int id, QObject* parent, const cConfigBase& configuration)
{
    cWidget* widget = new cZUNetButtonWidgetTarvo(id, parent, configuration);
    widget->Init();
    return widget;
}

void cZUNetButtonWidgetTarvo::Init()
{
    cZUNetButtonWidget::Init();
    // Shared by every button of the family.
    static const QStringList channelTypes = mChannelTypeIndexToCodes.Labels();
    DeclareFunction();
    mPAFLNumber.Declare(*this, "PAFL Number", 1, 1, 1000);
    mChannelType.Declare(*this, "Channel Type", 0, channelTypes);
    mDestChannelType.Declare(*this, "Dest Channel Type", 0, channelTypes);
    mSceneNumber.Declare(*this, "Scene Number", 1, 1, 500);
    FinishInit();
}

std::list<std::string> cZUNetButtonWidgetTarvo::GetAllObjectRequestRegExpsStatic()
{
    static const std::list<std::string> patterns = [] {
        std::list<std::string> all;
        const QStringList types = mChannelTypeIndexToCodes.Codes();
        for (const QString& function : mButtonFunctionIndexToCodes.Codes()) {
            const std::string f = function.toStdString();
            if (function == "mute" || function == "talkbackassign" || function == "levelup"
                || function == "leveldown") {
                for (const QString& type : types)
                    all.push_back(f + "/" + type.toStdString() + "/\\d+");
            } else if (function == "pafl") {
                for (const QString& type : types)
                    all.push_back(f + "/" + type.toStdString() + "/\\d+/\\d+");
            } else if (function == "paflclear" || function == "mutegrp" || function == "ammchactive"
                || function == "amminout" || function == "scenerecall") {
                all.push_back(f + "/\\d+");
            } else if (function == "sendlevelup" || function == "sendleveldown" || function == "sendonoff") {
                for (const QString& source : types) {
                    for (const QString& destination : types)
                        all.push_back(f + "/" + source.toStdString() + "/\\d+/" + destination.toStdString() + "/\\d+");
                }
            } else if (function == "taptempo") {
                for (const QString& globalLocal : mGlobalLocalSourceIndexToCodes.Codes()) {
                    for (const QString& leftRight : mLeftRightSourceIndexToCodes.Codes())
                        all.push_back(f + "/\\d+/" + globalLocal.toStdString() + "/" + leftRight.toStdString());
                }
            } else {
                all.push_back(f);
            }
        }
        return all;
    }();
    return patterns;
}
