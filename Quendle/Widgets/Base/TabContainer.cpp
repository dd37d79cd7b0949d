#include "Quendle/Widgets/Base/TabContainer.h"

#include "Quendle/AppCommon/ConfigBase.h"
#include "Quendle/AppCommon/QuendleFonts.h"
#include "Quendle/Properties/Properties.h"
#include "Quendle/Widgets/WidgetXmlNames.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>

const cCodeTable cTabContainer::mTabPostionValuesToCodes {
    { QStringLiteral("Top"), QStringLiteral("top") },
    { QStringLiteral("Bottom"), QStringLiteral("bottom") },
};

cTabContainer::cTabContainer(int id, QObject* parent, const cConfigBase& configuration)
    : cContainer(id, parent)
    , mNumberOfTabs(new cNumberOfTabsProperty(QStringLiteral("Number Of Tabs"), 4, this))
    , mFont(new cFontProperty(QStringLiteral("Font"), cQuendleFonts::mDefaultFontCode, this, true))
    , mTabPosition(new cComboProperty(QStringLiteral("Tab Position"), 0, mTabPostionValuesToCodes.Labels(), this))
    , mOnImage(new cImageProperty(QStringLiteral("On Image"), ImageHost(configuration), this))
    , mOffImage(new cImageProperty(QStringLiteral("Off Image"), ImageHost(configuration), this))
    , mColourOn(new cColourProperty(QStringLiteral("Colour On"), QColor(QStringLiteral("white")), this, true))
    , mColourOff(new cColourProperty(QStringLiteral("Colour Off"), QColor(QStringLiteral("darkgrey")), this, true))
    , mTabs(new QQmlObjectListModel<cTab>(this))
    , mConfiguration(configuration)
{
    mOnImage->setStringValue(QStringLiteral("_basic"));
    mOffImage->setStringValue(QStringLiteral("_basic"));
    for (int i = 1; i <= kMaximumTabs; ++i) {
        mTabNames.append(new cStringProperty(QStringLiteral("Tab %1").arg(i), QString::number(i), this, true));
    }

    AppendPropertyOrGroup(mTabPosition);
    AppendPropertyOrGroup(mFont);
    AppendPropertyOrGroup(mColourOff);
    AppendPropertyOrGroup(mOffImage);
    AppendPropertyOrGroup(mColourOn);
    AppendPropertyOrGroup(mOnImage);
    AppendPropertyOrGroup(mNumberOfTabs);
    for (cStringProperty* name : qAsConst(mTabNames))
        AppendPropertyOrGroup(name);

    connect(mNumberOfTabs, &cProperty::valueChanged, this, &cTabContainer::PropertyNumberOfTabsChanged);
    connect(mFont, &cProperty::valueChanged, this, &cTabContainer::textFontChanged);
    connect(mOnImage, &cProperty::valueChanged, this, &cTabContainer::imageOnIdentifierChanged);
    connect(mOnImage, &cImageProperty::ImageChanged, this, &cTabContainer::onImageChanged);
    connect(mOffImage, &cProperty::valueChanged, this, &cTabContainer::imageOffIdentifierChanged);
    connect(mOffImage, &cImageProperty::ImageChanged, this, &cTabContainer::offImageChanged);
    connect(mColourOn, &cProperty::valueChanged, this, &cTabContainer::tabOnColourChanged);
    connect(mColourOff, &cProperty::valueChanged, this, &cTabContainer::tabOffColourChanged);
    connect(mTabPosition, &cProperty::valueChanged, this, &cTabContainer::tabPositionChanged);

    PropertyNumberOfTabsChanged();
}

void cTabContainer::PropertyNumberOfTabsChanged()
{
    const int count = mNumberOfTabs->IntValue();
    const int wanted = count >= 1 ? std::min(count, kMaximumTabs) : 1;
    while (mTabs->count() < wanted) {
        auto* tab = new cTab(this);
        cStringProperty* name = mTabNames.at(mTabs->count());
        connect(name, &cProperty::valueChanged, tab, &cTab::SetTabNameFromProperty);
        tab->SetTabName(name->stringValue());
        mTabs->append(tab);
    }
    // A removed tab stays the container's child until the container goes.
    while (mTabs->count() > wanted)
        mTabs->remove(mTabs->count() - 1);
    for (int i = 0; i < mTabNames.count(); ++i)
        mTabNames.at(i)->setVisible(i < wanted);
}

void cTabContainer::LoadAttributes(QXmlStreamReader& reader)
{
    cContainer::LoadAttributes(reader);
    const QXmlStreamAttributes attributes = reader.attributes();
    for (const QXmlStreamAttribute& attribute : attributes) {
        const QStringRef name = attribute.name();
        const QString value = attribute.value().toString();
        if (name == WidgetXml::kNumTabs)
            mNumberOfTabs->SetIntValue(value.toInt(nullptr, 10));
        else if (name == WidgetXml::kTextFont)
            mFont->setStringValue(value);
        else if (name == WidgetXml::kOnImageResourceId)
            mOnImage->setStringValue(mConfiguration.ConvertImageId(value));
        else if (name == WidgetXml::kOffImageResourceId)
            mOffImage->setStringValue(mConfiguration.ConvertImageId(value));
        else if (name == WidgetXml::kTabOnColour)
            mColourOn->setStringValue(value);
        else if (name == WidgetXml::kTabOffColour)
            mColourOff->setStringValue(value);
        else if (name == WidgetXml::kTabPosition)
            mTabPostionValuesToCodes.SetCombo(value, mTabPosition);
    }
}

void cTabContainer::LoadSubXml(QXmlStreamReader& reader, QSet<int>& ids, const cConfigBase& configuration,
    QObject* parent, const cWidgetFactoryBase& factory)
{
    // Every child element counts, `Tab` or not.
    int index = 0;
    while (reader.readNextStartElement()) {
        if (reader.name() == QLatin1String("Tab"))
            ReadTab(reader, index, ids, configuration, parent, factory);
        else
            reader.skipCurrentElement();
        ++index;
    }
}

void cTabContainer::ReadTab(QXmlStreamReader& reader, int index, QSet<int>& ids, const cConfigBase& configuration,
    QObject* parent, const cWidgetFactoryBase& factory)
{
    if (index < mTabNames.count()) {
        const QXmlStreamAttributes attributes = reader.attributes();
        for (const QXmlStreamAttribute& attribute : attributes) {
            if (attribute.name() == WidgetXml::kTabName)
                mTabNames.at(index)->setStringValue(attribute.value().toString());
        }
    }
    // Widgets of a tab that does not exist could never be shown, yet would go on line.
    if (index >= mTabs->count()) {
        reader.skipCurrentElement();
        return;
    }
    while (reader.readNextStartElement()) {
        if (reader.name() != QLatin1String("Widget")) {
            reader.skipCurrentElement();
            continue;
        }
        if (cWidget* widget = factory.CreateFromXml(reader, ids, configuration, parent))
            AddContainerChild(widget, index);
    }
}

void cTabContainer::WriteAttributes(QXmlStreamWriter& writer) const
{
    cContainer::WriteAttributes(writer);
    writer.writeAttribute(WidgetXml::kNumTabs, mNumberOfTabs->stringValue());
    writer.writeAttribute(WidgetXml::kTextFont, mFont->stringValue());
    writer.writeAttribute(WidgetXml::kOnImageResourceId, mOnImage->stringValue());
    writer.writeAttribute(WidgetXml::kOffImageResourceId, mOffImage->stringValue());
    writer.writeAttribute(WidgetXml::kTabOnColour, mColourOn->stringValue());
    writer.writeAttribute(WidgetXml::kTabOffColour, mColourOff->stringValue());
    writer.writeAttribute(WidgetXml::kTabPosition, tabPosition());
}

void cTabContainer::WriteXml(QXmlStreamWriter& writer) const
{
    writer.writeStartElement(QStringLiteral("Widget"));
    WriteAttributes(writer);
    for (cTab* tab : mTabs->toList()) {
        writer.writeStartElement(QStringLiteral("Tab"));
        writer.writeAttribute(WidgetXml::kTabName, tab->tabName());
        for (cWidget* widget : tab->Widgets())
            widget->WriteXml(writer);
        writer.writeEndElement();
    }
    writer.writeEndElement();
}

int cTabContainer::getContainerLocation(cWidget* WidgetToFind) const
{
    return mChildLocations.value(WidgetToFind, -1);
}

void cTabContainer::AddContainerChild(cWidget* widget, int location)
{
    if (widget == nullptr || widgetChildren()->contains(widget))
        return;
    cContainer::AddContainerChild(widget, location);
    widget->SetIsVisible(isVisible() && location == mCurrentTabIndex);
    if (cTab* tab = mTabs->at(location))
        tab->AddWidget(widget);
    mChildLocations.insert(widget, location);
}

void cTabContainer::RemoveContainerChild(cWidget* widget)
{
    for (cTab* tab : mTabs->toList())
        tab->RemoveWidget(widget);
    mChildLocations.remove(widget);
    cContainer::RemoveContainerChild(widget);
}

void cTabContainer::ForgetChild(QObject* child)
{
    for (auto it = mChildLocations.begin(); it != mChildLocations.end();) {
        if (static_cast<QObject*>(it.key()) == child) {
            for (cTab* tab : mTabs->toList())
                tab->RemoveWidget(it.key());
            it = mChildLocations.erase(it);
        } else {
            ++it;
        }
    }
    cContainer::ForgetChild(child);
}

QList<QQuickItem*> cTabContainer::LinkedContainerQuickItems(int location)
{
    cTab* tab = mTabs->at(location);
    return tab != nullptr ? tab->LinkedItems() : QList<QQuickItem*>();
}

void cTabContainer::setCurrentTabIndex(int index)
{
    if (index == mCurrentTabIndex)
        return;
    SetTabChildrenVisibility(mCurrentTabIndex, false);
    mCurrentTabIndex = index;
    // Inside a hidden container nothing shows.
    SetTabChildrenVisibility(mCurrentTabIndex, isVisible());
    Q_EMIT currentTabIndexChanged();
}

void cTabContainer::SetTabChildrenVisibility(int tab, bool visible)
{
    cTab* found = mTabs->at(tab);
    if (found == nullptr)
        return;
    for (cWidget* widget : found->Widgets())
        widget->SetIsVisible(visible);
}

void cTabContainer::SetIsVisible(bool visible)
{
    if (visible == isVisible())
        return;
    cContainer::SetIsVisible(visible);
    const QList<cTab*> tabs = mTabs->toList();
    for (int i = 0; i < tabs.count(); ++i) {
        for (cWidget* widget : tabs.at(i)->Widgets())
            widget->SetIsVisible(visible && i == mCurrentTabIndex);
    }
}

QString cTabContainer::textFont() const
{
    return mFont->stringValue();
}

QString cTabContainer::tabPosition() const
{
    const int index = mTabPosition->Index();
    if (index < 0 || index >= mTabPostionValuesToCodes.count())
        return mTabPostionValuesToCodes.first().second;
    return mTabPostionValuesToCodes.at(index).second;
}

QString cTabContainer::imageOnIdentifier() const
{
    return mOnImage->stringValue();
}

QString cTabContainer::imageOffIdentifier() const
{
    return mOffImage->stringValue();
}

QString cTabContainer::tabOnColour() const
{
    return mColourOn->stringValue();
}

QString cTabContainer::tabOffColour() const
{
    return mColourOff->stringValue();
}
