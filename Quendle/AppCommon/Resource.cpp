#include "Quendle/AppCommon/Resource.h"

#include "Quendle/AppCommon/ConfigBase.h"
#include "Quendle/Properties/Properties.h"

#include <algorithm>

cResource::cResource(QObject* parent, QString resourceId, const QString& name, const QString& typeText,
    const QString& group, const QStringList& tags, const cConfigBase* config)
    : QObject(parent)
    , mProperties(nullptr)
    , mNameProperty(new cStringProperty(QStringLiteral("Name"), name, this, true))
    , mTagsProperty(nullptr)
    , mLayoutsProperty(nullptr)
    , mConfig(config)
    , mResourceId(std::move(resourceId))
    , mTypeProperty(new cStringProperty(QStringLiteral("Type"), typeText, this, false))
    , mGroup(group)
    , mTags(QSet<QString>(tags.begin(), tags.end()))
{
    mProperties = new QQmlObjectListModel<cProperty>(this, QByteArray(), QByteArray());
    mProperties->append(mNameProperty);
    mProperties->append(mTypeProperty);
    if (mConfig) {
        // The configuration only tells its listeners; the resource does not change it.
        connect(mNameProperty, &cProperty::valueChanged, const_cast<cConfigBase*>(mConfig),
            &cConfigBase::ResourceNameChanged);
    }
    mTagsProperty = new cTextBlockProperty(QStringLiteral("Tags"), TagsToTextBlock(), this, true);
    connect(mTagsProperty, &cProperty::valueChanged, this, &cResource::TagsPropertyChanged);
    mProperties->append(mTagsProperty);
    mLayoutsProperty = new cTextBlockProperty(QStringLiteral("Layouts"), QString(), this, false);
    mProperties->append(mLayoutsProperty);
}

cResource::~cResource() = default;

const QString& cResource::CustomGroupName()
{
    static const QString name = QStringLiteral("Custom");
    return name;
}

QString cResource::Name() const
{
    return mNameProperty->stringValue();
}

cProperty* cResource::nameQmlProperty() const
{
    return mNameProperty;
}

QString cResource::TagsToTextBlock() const
{
    QStringList tags(mTags.begin(), mTags.end());
    std::sort(tags.begin(), tags.end());
    return tags.join(QLatin1Char('\n'));
}

void cResource::SetSelected(bool selected)
{
    if (selected == mSelected)
        return;
    mSelected = selected;
    Q_EMIT selectedChanged();
}

void cResource::SetLayoutNames(const QStringList& names)
{
    QString text;
    for (const QString& name : names)
        text += name + QLatin1Char('\n');
    mLayoutsProperty->setStringValue(text);
}

void cResource::TagsPropertyChanged()
{
    // The file separates tags with commas, so a typed comma separates two tags as well.
    QString text = mTagsProperty->stringValue();
    if (text.contains(QLatin1Char(','))) {
        text.replace(QLatin1Char(','), QLatin1Char('\n'));
        mTagsProperty->setStringValue(text); // comes back here once, without commas
        return;
    }
    const QStringList parts = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    mTags = QSet<QString>(parts.begin(), parts.end());
    if (mConfig)
        const_cast<cConfigBase*>(mConfig)->SpareHook();
}
