#include "Quendle/Widgets/Base/Widget.h"

#include "Quendle/Properties/Properties.h"
#include "Quendle/Properties/PropertyGroup.h"
#include "Quendle/Widgets/Base/LazyProperty.h"
#include "Quendle/Widgets/Base/WidgetBatch.h"
#include "Quendle/Widgets/WidgetHelpers.h"
#include "Quendle/Widgets/WidgetXmlNames.h"
#include "ZUNet/Core/Trace.h"

#include <QMetaObject>
#include <QPointer>
#include <QQuickItem>
#include <QVariant>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

const QString cWidget::mMultipleTypeName = QStringLiteral("multiple");

namespace
{
/// An object a widget put in its tree before the tree existed; the widget owns the entry.
class cEarlyObject final : public cWidgetTreeEntry
{
public:
    explicit cEarlyObject(cPropertyBase* item)
        : mItem(item)
    {
    }
    cPropertyBase* TreeItem() override { return mItem; }
    cPropertyBase* HeldObject() const override { return mItem; }

private:
    cPropertyBase* mItem;
};

/// Deletes the entry when it is an early object's; lazy properties belong to their widgets.
void DropEntry(cWidgetTreeEntry* entry)
{
    if (entry->HeldObject())
        delete static_cast<cEarlyObject*>(entry);
}
} // namespace

cSelectable::cSelectable(QObject* parent)
    : QObject(parent)
{
}

void cSelectable::SetSelected(bool selected)
{
    if (mSelected == selected)
        return;
    mSelected = selected;
    Q_EMIT selectedChanged();
}

cWidget::cWidget(int id, QObject* parent)
    : cSelectable(parent)
    , mWidgetId(id)
{
    cWidgetBatch::Step();
}

void cWidget::MakeProperties() const
{
    if (mRootGroup != nullptr)
        return;
    auto* self = const_cast<cWidget*>(this);
    mVisualGroup = new cPropertyGroup(QStringLiteral("Visual"), self, true);
    mX = new cSizeFractionProperty(QStringLiteral("X"), mStored.mX, self, -2.0f, 2.0f);
    mY = new cSizeFractionProperty(QStringLiteral("Y"), mStored.mY, self, -2.0f, 2.0f);
    mWidth = new cSizeFractionProperty(QStringLiteral("Width"), mStored.mWidth, self, 0.000999f, 2.0f);
    mHeight = new cSizeFractionProperty(QStringLiteral("Height"), mStored.mHeight, self, 0.000999f, 2.0f);
    mContentSizeMode = new cComboProperty(QStringLiteral("Content Size Mode"), mStored.mContentSizeMode,
        QStringList { QStringLiteral("Fill"), QStringLiteral("Lock Aspect") }, self);
    mZ = new cFloatProperty(QStringLiteral("Z"), mStored.mZ, self, 0.0f, 2.0f);
    mPixelAspect = new cFloatProperty(QStringLiteral("PixelAspect"), mStored.mPixelAspect, self, -1.0f, 20000.0f);
    mPositionLock = new cIntProperty(QStringLiteral("PositionLock"), mStored.mPositionLock, self, 0, 1);
    mRootGroup = new cPropertyGroup(QStringLiteral("root"), self, true);

    mZ->setVisible(false);
    mPixelAspect->setVisible(false);
    mPositionLock->setVisible(false);

    mVisualGroup->AppendContents({ mX, mY, mWidth, mHeight, mZ, mContentSizeMode, mPixelAspect, mPositionLock });
    QList<cPropertyBase*> root;
    // Taken off first: a lazy property made now must not find itself still waiting.
    auto take = [&root](cWidgetTreeEntry* entry) {
        while (entry != nullptr) {
            cWidgetTreeEntry* next = std::exchange(entry->mNextEntry, nullptr);
            root.append(entry->TreeItem());
            DropEntry(entry);
            entry = next;
        }
    };
    mLastBackEntry = nullptr;
    take(std::exchange(mFrontEntries, nullptr));
    root.append(mVisualGroup);
    take(std::exchange(mBackEntries, nullptr));
    mRootGroup->AppendContents(root);

    // By index: no functor object per connection.
    static const int valueChangedIdx = cProperty::staticMetaObject.indexOfSignal("valueChanged()");
    static const int xIdx = staticMetaObject.indexOfSignal("xFractionChanged()");
    static const int yIdx = staticMetaObject.indexOfSignal("yFractionChanged()");
    static const int widthIdx = staticMetaObject.indexOfSignal("widthFractionChanged()");
    static const int heightIdx = staticMetaObject.indexOfSignal("heightFractionChanged()");
    static const int zIdx = staticMetaObject.indexOfSignal("zChanged()");
    static const int pixelAspectIdx = staticMetaObject.indexOfSignal("pixelAspectChanged()");
    static const int positionLockIdx = staticMetaObject.indexOfSignal("positionLockedChanged()");
    static const int preserveAspectIdx = staticMetaObject.indexOfSlot("PreserveAspectChangedSlot()");
    QMetaObject::connect(mX, valueChangedIdx, self, xIdx);
    QMetaObject::connect(mY, valueChangedIdx, self, yIdx);
    QMetaObject::connect(mWidth, valueChangedIdx, self, widthIdx);
    QMetaObject::connect(mHeight, valueChangedIdx, self, heightIdx);
    QMetaObject::connect(mZ, valueChangedIdx, self, zIdx);
    QMetaObject::connect(mPixelAspect, valueChangedIdx, self, pixelAspectIdx);
    QMetaObject::connect(mPositionLock, valueChangedIdx, self, positionLockIdx);
    QMetaObject::connect(mContentSizeMode, valueChangedIdx, self, preserveAspectIdx);
}

cPropertyGroup* cWidget::RootGroup() const
{
    MakeProperties();
    return mRootGroup;
}

cPropertyGroup* cWidget::VisualGroup() const
{
    MakeProperties();
    return mVisualGroup;
}

cSizeFractionProperty* cWidget::XProperty() const
{
    MakeProperties();
    return mX;
}

cSizeFractionProperty* cWidget::YProperty() const
{
    MakeProperties();
    return mY;
}

cSizeFractionProperty* cWidget::WidthProperty() const
{
    MakeProperties();
    return mWidth;
}

cSizeFractionProperty* cWidget::HeightProperty() const
{
    MakeProperties();
    return mHeight;
}

cComboProperty* cWidget::ContentSizeModeProperty() const
{
    MakeProperties();
    return mContentSizeMode;
}

cFloatProperty* cWidget::ZProperty() const
{
    MakeProperties();
    return mZ;
}

cFloatProperty* cWidget::PixelAspectProperty() const
{
    MakeProperties();
    return mPixelAspect;
}

cIntProperty* cWidget::PositionLockProperty() const
{
    MakeProperties();
    return mPositionLock;
}

int cWidget::ContentSizeModeIndex() const
{
    return mContentSizeMode != nullptr ? mContentSizeMode->Index() : mStored.mContentSizeMode;
}

int cWidget::PositionLockValue() const
{
    return mPositionLock != nullptr ? mPositionLock->IntValue() : mStored.mPositionLock;
}

void cWidget::SetBaseFloat(cFloatProperty* property, float& stored, float value, void (cWidget::*changed)())
{
    if (property != nullptr) {
        property->setFloatValue(value);
        return;
    }
    // NaN never equals anything, so it always counts as a change.
    if (value == stored)
        return;
    stored = value;
    Q_EMIT(this->*changed)();
}

void cWidget::SetContentSizeMode(int index)
{
    if (mContentSizeMode != nullptr) {
        mContentSizeMode->setIntValue(index);
        return;
    }
    if (index == mStored.mContentSizeMode)
        return;
    mStored.mContentSizeMode = index;
    PreserveAspectChangedSlot();
}

void cWidget::SetPositionLock(int value)
{
    if (mPositionLock != nullptr) {
        mPositionLock->SetIntValue(value);
        return;
    }
    if (value == mStored.mPositionLock)
        return;
    mStored.mPositionLock = value;
    Q_EMIT positionLockedChanged();
}

cWidget::~cWidget()
{
    // The lazy properties have left with their widgets' parts; what is left are early objects.
    for (cWidgetTreeEntry* list : { mFrontEntries, mBackEntries }) {
        while (list != nullptr)
            DropEntry(std::exchange(list, list->mNextEntry));
    }
}

void cWidget::EnterTree(cWidgetTreeEntry& entry, bool front) const
{
    if (mRootGroup != nullptr) {
        if (front)
            mRootGroup->PrependPropertyOrGroup(entry.TreeItem());
        else
            mRootGroup->AppendPropertyOrGroup(entry.TreeItem());
        return;
    }
    if (front) {
        entry.mNextEntry = mFrontEntries;
        mFrontEntries = &entry;
        return;
    }
    (mLastBackEntry != nullptr ? mLastBackEntry->mNextEntry : mBackEntries) = &entry;
    mLastBackEntry = &entry;
}

void cWidget::LeaveTree(cWidgetTreeEntry& entry) const
{
    for (cWidgetTreeEntry** list : { &mFrontEntries, &mBackEntries }) {
        cWidgetTreeEntry* previous = nullptr;
        for (cWidgetTreeEntry** link = list; *link != nullptr; link = &(*link)->mNextEntry) {
            if (*link == &entry) {
                *link = entry.mNextEntry;
                if (mLastBackEntry == &entry)
                    mLastBackEntry = previous;
                return;
            }
            previous = *link;
        }
    }
}

bool cWidget::HoldsEarly(const cPropertyBase* item) const
{
    for (const cWidgetTreeEntry* list : { mFrontEntries, mBackEntries }) {
        for (; list != nullptr; list = list->mNextEntry) {
            if (list->HeldObject() == item)
                return true;
        }
    }
    return false;
}

bool cWidget::LoadBaseAttributes(QXmlStreamReader& reader, int& id, QString& type)
{
    id = -1;
    type.clear();
    const QXmlStreamAttributes attributes = reader.attributes();
    for (const QXmlStreamAttribute& attribute : attributes) {
        if (id != -1 && !type.isEmpty())
            break;
        if (attribute.name() == WidgetXml::kId)
            id = attribute.value().toInt(nullptr, 10);
        else if (attribute.name() == WidgetXml::kType)
            type = attribute.value().toString();
    }
    if (id == -1) {
        ZU_ERR("Error loading widget id");
        return false;
    }
    if (type.isEmpty()) {
        ZU_ERR("Error loading widget type");
        return false;
    }
    return true;
}

float cWidget::ReadGeometry(const QStringRef& text)
{
    return ReadFiniteFloat(text, &mNonFiniteGeometry);
}

void cWidget::LoadAttributes(QXmlStreamReader& reader)
{
    mLoading = true;
    mNonFiniteGeometry = false;
    const QXmlStreamAttributes attributes = reader.attributes();
    for (const QXmlStreamAttribute& attribute : attributes) {
        const QStringRef name = attribute.name();
        const QStringRef value = attribute.value();
        if (name == WidgetXml::kX) {
            setXFraction(ReadGeometry(value));
        } else if (name == WidgetXml::kY) {
            setYFraction(ReadGeometry(value));
        } else if (name == WidgetXml::kWidth) {
            setWidthFraction(ReadGeometry(value));
        } else if (name == WidgetXml::kHeight) {
            setHeightFraction(ReadGeometry(value));
        } else if (name == WidgetXml::kZ) {
            SetZ(ReadFiniteFloat(value));
        } else if (name == WidgetXml::kGroup) {
            SetLayoutGroupString(value.toString());
        } else if (name == WidgetXml::kContentSizeMode) {
            if (value == QLatin1String("fill")) {
                SetContentSizeMode(0);
            } else {
                SetBaseFloat(mPixelAspect, mStored.mPixelAspect, ReadFiniteFloat(value), &cWidget::pixelAspectChanged);
                SetContentSizeMode(1);
            }
        } else if (name == WidgetXml::kPositionLock) {
            SetPositionLock(value.toInt(nullptr, 10));
        }
    }
    mLoading = false;
}

void cWidget::WriteXml(QXmlStreamWriter& writer) const
{
    writer.writeStartElement(QStringLiteral("Widget"));
    WriteAttributes(writer);
    writer.writeEndElement();
}

void cWidget::WriteAttributes(QXmlStreamWriter& writer) const
{
    auto number = [](float value) { return QString::number(value, 'g', 6); };
    writer.writeAttribute(WidgetXml::kId, QString::number(mWidgetId));
    writer.writeAttribute(WidgetXml::kType, Type());
    writer.writeAttribute(WidgetXml::kX, number(xFraction()));
    writer.writeAttribute(WidgetXml::kY, number(yFraction()));
    writer.writeAttribute(WidgetXml::kWidth, number(widthFraction()));
    writer.writeAttribute(WidgetXml::kHeight, number(heightFraction()));
    writer.writeAttribute(WidgetXml::kZ, number(z()));
    writer.writeAttribute(WidgetXml::kGroup, LayoutGroupString());
    writer.writeAttribute(
        WidgetXml::kContentSizeMode, ContentSizeModeIndex() == 0 ? QStringLiteral("fill") : number(pixelAspect()));
    writer.writeAttribute(WidgetXml::kPositionLock, QString::number(PositionLockValue()));
}

void cWidget::LoadSubXml(QXmlStreamReader& reader, QSet<int>& ids, const cConfigBase& configuration, QObject* parent,
    const cWidgetFactoryBase& factory)
{
    reader.skipCurrentElement();
}

void cWidget::SetOnline()
{
    mOnline = true;
}

void cWidget::SetOffline()
{
    mOnline = false;
    if (mDisabled) {
        mDisabled = false;
        Q_EMIT disabledChanged();
    }
}

void cWidget::SetDisabled(bool disabled)
{
    if (mDisabled == disabled)
        return;
    mDisabled = disabled;
    Q_EMIT disabledChanged();
}

void cWidget::SetIsVisible(bool visible)
{
    if (mIsVisible == visible)
        return;
    mIsVisible = visible;
    Q_EMIT isVisibleChanged();
    if (!mIsVisible)
        return;
    // A completion item may remove itself or be destroyed by the call before ours.
    QList<QPointer<QQuickItem>> items;
    items.reserve(mCompletionItems.count());
    for (QQuickItem* item : qAsConst(mCompletionItems))
        items.append(item);
    for (const QPointer<QQuickItem>& item : qAsConst(items)) {
        if (item.isNull() || !mCompletionItems.contains(item.data()))
            continue;
        QMetaObject::invokeMethod(item.data(), "forceCompletion", Q_ARG(QVariant, QVariant(mWidgetId)));
    }
}

void cWidget::addCompletionItem(QQuickItem* item)
{
    if (item == nullptr)
        return;
    // The one page that registers with every widget would make a uniqueness check of its own
    // connections grow with the widget count: the widget's own short list says it is connected.
    if (!mCompletionItems.contains(item))
        mCompletionConnections.emplace_back(
            item, connect(item, &QObject::destroyed, this, &cWidget::CompletionItemDestroyed));
    mCompletionItems.append(item);
}

void cWidget::removeCompletionItem(QQuickItem* item)
{
    if (item == nullptr)
        return;
    // Disconnected by its handle: no search through the item's connections.
    const auto held = std::find_if(mCompletionConnections.begin(), mCompletionConnections.end(),
        [item](const auto& entry) { return entry.first == item; });
    if (held != mCompletionConnections.end()) {
        disconnect(held->second);
        mCompletionConnections.erase(held);
    }
    mCompletionItems.removeAll(item);
}

void cWidget::CompletionItemDestroyed(QObject* item)
{
    // The item is half destroyed: compare addresses only.
    mCompletionItems.erase(std::remove_if(mCompletionItems.begin(), mCompletionItems.end(),
                               [item](QQuickItem* held) { return static_cast<QObject*>(held) == item; }),
        mCompletionItems.end());
    mCompletionConnections.erase(std::remove_if(mCompletionConnections.begin(), mCompletionConnections.end(),
                                     [item](const auto& entry) { return static_cast<QObject*>(entry.first) == item; }),
        mCompletionConnections.end());
}

void cWidget::PreserveAspectChangedSlot()
{
    if (mLoading || (mContentSizeMode != nullptr && mContentSizeMode->ExtraFlag()))
        return;
    SetBaseFloat(mPixelAspect, mStored.mPixelAspect, ContentSizeModeIndex() != 0 ? mEditorAspect : -1.0f,
        &cWidget::pixelAspectChanged);
    Q_EMIT pixelAspectChanged();
}

void cWidget::setCurrentEditorPixelSizes(float WidgetWidth, float WidgetHeight, float ScreenWidth, float ScreenHeight)
{
    mEditorAspect = WidgetHeight / WidgetWidth;
    mEditorWidgetWidth = WidgetWidth;
    mEditorWidgetHeight = WidgetHeight;
    mEditorScreenWidth = ScreenWidth;
    mEditorScreenHeight = ScreenHeight;
}

float cWidget::xFraction() const
{
    return mX != nullptr ? mX->FloatValue() : mStored.mX;
}

float cWidget::yFraction() const
{
    return mY != nullptr ? mY->FloatValue() : mStored.mY;
}

float cWidget::widthFraction() const
{
    return mWidth != nullptr ? mWidth->FloatValue() : mStored.mWidth;
}

float cWidget::heightFraction() const
{
    return mHeight != nullptr ? mHeight->FloatValue() : mStored.mHeight;
}

float cWidget::z() const
{
    return mZ != nullptr ? mZ->FloatValue() : mStored.mZ;
}

float cWidget::pixelAspect() const
{
    return mPixelAspect != nullptr ? mPixelAspect->FloatValue() : mStored.mPixelAspect;
}

bool cWidget::positionLocked() const
{
    return PositionLockValue() != 0;
}

void cWidget::setXFraction(float value)
{
    SetBaseFloat(mX, mStored.mX, value, &cWidget::xFractionChanged);
}

void cWidget::setYFraction(float value)
{
    SetBaseFloat(mY, mStored.mY, value, &cWidget::yFractionChanged);
}

void cWidget::setWidthFraction(float value)
{
    SetBaseFloat(mWidth, mStored.mWidth, value, &cWidget::widthFractionChanged);
}

void cWidget::setHeightFraction(float value)
{
    SetBaseFloat(mHeight, mStored.mHeight, value, &cWidget::heightFractionChanged);
}

void cWidget::SetZ(float value)
{
    SetBaseFloat(mZ, mStored.mZ, value, &cWidget::zChanged);
}

void cWidget::AppendPropertyOrGroup(cPropertyBase* item)
{
    if (item == nullptr)
        return;
    // An item without a parent is taken by the group's model, so it needs the tree now.
    if (mRootGroup != nullptr || item->parent() == nullptr) {
        RootGroup()->AppendPropertyOrGroup(item);
        return;
    }
    if (!HoldsEarly(item))
        EnterTree(*new cEarlyObject(item), false);
}

void cWidget::PrependPropertyOrGroup(cPropertyBase* item)
{
    if (item == nullptr)
        return;
    if (mRootGroup != nullptr || item->parent() == nullptr) {
        RootGroup()->PrependPropertyOrGroup(item);
        return;
    }
    if (!HoldsEarly(item))
        EnterTree(*new cEarlyObject(item), true);
}

QList<cProperty*> cWidget::AllProperties() const
{
    return RootGroup()->AllProperties();
}

void cWidget::ShiftGroupIndices(int offset)
{
    for (int& group : mLayoutGroups)
        group += offset;
}

int cWidget::MinimumLayoutGroup()
{
    return mLayoutGroups.isEmpty() ? INT_MAX : mLayoutGroups.first();
}

int cWidget::LayoutGroup() const
{
    return mLayoutGroups.isEmpty() ? -1 : mLayoutGroups.last();
}

int cWidget::LayoutSubgroup() const
{
    return mLayoutGroups.count() < 2 ? -1 : mLayoutGroups.at(mLayoutGroups.count() - 2);
}

void cWidget::AddToLayoutGroup(int group)
{
    mLayoutGroups.append(group);
    if (mLayoutGroups.count() == 1)
        Q_EMIT inGroupChanged();
}

void cWidget::RemoveFromLayoutGroup()
{
    if (mLayoutGroups.isEmpty())
        return;
    mLayoutGroups.removeLast();
    if (mLayoutGroups.isEmpty())
        Q_EMIT inGroupChanged();
}

void cWidget::SetLayoutGroupString(const QString& text)
{
    mLayoutGroups.clear();
    if (text.isEmpty())
        return;
    const QStringList parts = text.split(QLatin1Char(','), Qt::KeepEmptyParts, Qt::CaseSensitive);
    for (const QString& part : parts)
        mLayoutGroups.append(part.toInt(nullptr, 10));
}

QString cWidget::LayoutGroupString() const
{
    QStringList parts;
    parts.reserve(mLayoutGroups.count());
    for (int group : mLayoutGroups)
        parts.append(QString::number(group));
    return parts.join(QLatin1Char(','));
}

void cWidget::SetGroupRect(const QRectF& rect)
{
    if (rect == mGroupRect)
        return;
    mGroupRect = rect;
    Q_EMIT groupRectChanged();
}

void cWidget::SetComboPropertyIndex(
    const QString& code, const QList<QPair<QString, QString>>& table, cComboProperty* property)
{
    cCodeTable(table).SetCombo(code, property);
}

void cWidget::SetComboPropertyIndex(const QString& code, const QList<QString>& codes, cComboProperty* property)
{
    if (property == nullptr)
        return;
    property->setIntValue(qMax(0, codes.indexOf(code)), false);
}

void cWidget::SetComboPropertyIndex(const QString& code, const QList<QString>& codes, cLazyCombo* property)
{
    if (property == nullptr)
        return;
    property->setIntValue(qMax(0, codes.indexOf(code)), false);
}

void cWidget::LoadFloatProperty(const QXmlStreamAttribute& attribute, cFloatProperty& property)
{
    bool ok = false;
    const float value = attribute.value().toFloat(&ok);
    if (!ok || !std::isfinite(value)) {
        ZU_ERR("Could not read float property");
        return;
    }
    property.setFloatValue(value);
}

cUnknownWidget::cUnknownWidget(int id, QObject* parent, const QString& type)
    : cWidget(id, parent)
    , mType(type)
{
}
