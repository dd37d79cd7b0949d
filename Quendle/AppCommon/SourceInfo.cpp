#include "Quendle/AppCommon/SourceInfo.h"

#include "Quendle/AppCommon/ChannelColours.h"

cSourceInfo::cSourceInfo(QObject* parent, const QString& name, const QString& colour)
    : QObject(parent)
    , mSourceName(name)
    , mSourceColour(colour)
{
}

void cSourceInfo::SetSourceName(QString Name)
{
    if (Name == mSourceName)
        return;
    mSourceName = Name;
    Q_EMIT nameChanged();
}

void cSourceInfo::SetSourceColour(QString Colour)
{
    mSourceColour = Colour;
}

void cSourceInfo::SetSourceColourFromChannelColour(int Colour)
{
    const QString name = cChannelColourHelper::ChannelColourToQString(Colour);
    if (name == mSourceColour)
        return;
    mSourceColour = name;
    Q_EMIT colourChanged();
}
