#include "Quendle/Widgets/Base/LazyProperty.h"

#include "Quendle/Properties/ImageResourceHost.h"
#include "Quendle/Widgets/Base/Widget.h"

#include <QHash>
#include <QPointer>
#include <QSignalBlocker>

#include <utility>
#include <vector>

/// One configuration's plain images that have a reaction: a single connection to each of its
/// resource signals tells them all, instead of three connections per image. A child of the
/// configuration, made with the first such image. GUI thread only.
class cImageWatch : public QObject
{
public:
    static cImageWatch& Of(cImageResourceHost& host);
    ~cImageWatch() override;

    void Add(cLazyImage& image);
    void Remove(cLazyImage& image);

private:
    explicit cImageWatch(cImageResourceHost& host);
    static QHash<cImageResourceHost*, cImageWatch*>& Watches();
    /// What the image property's slots do for each image: its resource came, went or changed.
    void ResourceSignalled(const QString& id);

    cImageResourceHost& mHost;
    cLazyImage* mFirst = nullptr;
    cLazyImage* mLast = nullptr;
};

QHash<cImageResourceHost*, cImageWatch*>& cImageWatch::Watches()
{
    static QHash<cImageResourceHost*, cImageWatch*> watches;
    return watches;
}

cImageWatch& cImageWatch::Of(cImageResourceHost& host)
{
    cImageWatch*& watch = Watches()[&host];
    if (!watch)
        watch = new cImageWatch(host);
    return *watch;
}

cImageWatch::cImageWatch(cImageResourceHost& host)
    : QObject(&host)
    , mHost(host)
{
    auto signalled = [this](const QString& id) { ResourceSignalled(id); };
    connect(&host, &cImageResourceHost::ResourceInserted, this, signalled);
    connect(&host, &cImageResourceHost::ResourceRemoved, this, signalled);
    connect(&host, &cImageResourceHost::ResourceChanged, this, signalled);
}

cImageWatch::~cImageWatch()
{
    Watches().remove(&mHost);
    for (cLazyImage* image = mFirst; image;) {
        cLazyImage* next = image->mNextWatched;
        image->mWatch = nullptr;
        image->mPreviousWatched = image->mNextWatched = nullptr;
        image = next;
    }
}

void cImageWatch::Add(cLazyImage& image)
{
    image.mWatch = this;
    image.mPreviousWatched = mLast;
    image.mNextWatched = nullptr;
    (mLast ? mLast->mNextWatched : mFirst) = &image;
    mLast = &image;
}

void cImageWatch::Remove(cLazyImage& image)
{
    (image.mPreviousWatched ? image.mPreviousWatched->mNextWatched : mFirst) = image.mNextWatched;
    (image.mNextWatched ? image.mNextWatched->mPreviousWatched : mLast) = image.mPreviousWatched;
    image.mWatch = nullptr;
    image.mPreviousWatched = image.mNextWatched = nullptr;
}

void cImageWatch::ResourceSignalled(const QString& id)
{
    // A reaction may delete widgets or make their objects: the matches are gathered first and
    // each is checked again before it is told.
    std::vector<std::pair<QPointer<cWidget>, cLazyImage*>> matches;
    for (cLazyImage* image = mFirst; image; image = image->mNextWatched) {
        if (image->mText == id)
            matches.emplace_back(image->mOwner, image);
    }
    for (const auto& match : matches) {
        if (match.first && match.second->mWatch == this)
            (match.first.data()->*match.second->mImageReaction)();
    }
}

// ---- every lazy property

cLazyPropertyBase::~cLazyPropertyBase()
{
    if (mOwner)
        mOwner->LeaveTree(*this);
}

void cLazyPropertyBase::Enter(cWidget& owner, const char* label, bool front)
{
    // Declared again: it keeps its first place in the tree.
    if (mOwner)
        return;
    mOwner = &owner;
    mLabel = label;
    owner.EnterTree(*this, front);
}

cProperty* cLazyPropertyBase::Property()
{
    if (!mObject && mOwner) {
        mObject = MakeObject(*mOwner, QString::fromLatin1(mLabel));
        mObject->setVisible(mVisible);
        if (mReaction)
            QObject::connect(mObject, &cProperty::valueChanged, mOwner, mReaction);
    }
    return mObject;
}

void cLazyPropertyBase::setVisible(bool visible)
{
    if (mObject)
        mObject->setVisible(visible);
    else
        mVisible = visible;
}

void cLazyPropertyBase::AddReaction(tReaction reaction)
{
    // Like a connection to a property that is not there: nothing.
    if (!mOwner)
        return;
    if (!mObject && !mReaction) {
        mReaction = reaction;
        return;
    }
    // A second reaction is a second connection, after the first.
    QObject::connect(Property(), &cProperty::valueChanged, mOwner, reaction);
}

void cLazyPropertyBase::Changed()
{
    if (mReaction)
        (mOwner->*mReaction)();
}

// ---- the kinds

void cLazyString::Declare(cWidget& owner, const char* label, const QString& text)
{
    mText = text;
    Enter(owner, label);
}

cProperty* cLazyString::MakeObject(cWidget& owner, const QString& label)
{
    return new cStringProperty(label, mText, &owner);
}

void cLazyFont::Declare(cWidget& owner, const char* label, const QString& fontCode)
{
    mText = fontCode;
    Enter(owner, label);
}

cProperty* cLazyFont::MakeObject(cWidget& owner, const QString& label)
{
    return new cFontProperty(label, mText, &owner);
}

cLazyImage::~cLazyImage()
{
    Unwatch();
}

void cLazyImage::Declare(cWidget& owner, const char* label, cImageResourceHost& host)
{
    mText = QStringLiteral("_default");
    mHost = &host;
    Enter(owner, label);
}

void cLazyImage::TextChanged()
{
    // The object tells the configuration first, then its widget.
    mHost->ImageResourceIdChanged();
    Changed();
}

void cLazyImage::AddImageReaction(tReaction reaction)
{
    if (!mOwner)
        return;
    if (!mObject && !mImageReaction) {
        mImageReaction = reaction;
        cImageWatch::Of(*mHost).Add(*this);
        return;
    }
    QObject::connect(Object(), &cImageProperty::ImageChanged, mOwner, reaction);
}

void cLazyImage::Unwatch()
{
    if (mWatch)
        mWatch->Remove(*this);
}

cProperty* cLazyImage::MakeObject(cWidget& owner, const QString& label)
{
    auto* image = new cImageProperty(label, *mHost, &owner);
    {
        // The id it holds already: no change to announce.
        const QSignalBlocker blocker(image);
        image->setStringValue(mText);
    }
    // The object hears its resource itself from now on.
    Unwatch();
    if (mImageReaction)
        QObject::connect(image, &cImageProperty::ImageChanged, &owner, mImageReaction);
    return image;
}

void cLazyColour::Declare(cWidget& owner, const char* label, const QColor& colour)
{
    mColour = colour.toRgb();
    Enter(owner, label);
}

QString cLazyColour::stringValue() const
{
    if (mObject)
        return Made()->stringValue();
    return mColour.name(mColour.alpha() == 255 ? QColor::HexRgb : QColor::HexArgb);
}

void cLazyColour::setStringValue(const QString& text)
{
    if (mObject) {
        Made()->setStringValue(text);
        return;
    }
    QColor colour;
    colour.setNamedColor(text);
    if (!colour.isValid())
        return;
    // Compared as RGB: the same colour given in another colour model is no change.
    const QColor rgb = colour.toRgb();
    if (rgb == mColour)
        return;
    mColour = rgb;
    Changed();
}

cProperty* cLazyColour::MakeObject(cWidget& owner, const QString& label)
{
    return new cColourProperty(label, mColour, &owner);
}

void cLazyCombo::Declare(cWidget& owner, const char* label, int index, const QStringList& entries)
{
    mIndex = index;
    mEntries = entries;
    Enter(owner, label);
}

QString cLazyCombo::stringValue() const
{
    if (mObject)
        return Made()->stringValue();
    return (mIndex >= 0 && mIndex < mEntries.count()) ? mEntries.at(mIndex) : QString();
}

void cLazyCombo::setIntValue(int index, bool silent)
{
    if (mObject) {
        Made()->setIntValue(index, silent);
        return;
    }
    if (index == mIndex)
        return;
    mIndex = index;
    Changed();
}

void cLazyCombo::UpdateComboValues(const QStringList& entries, int index, bool silent)
{
    if (mObject) {
        Made()->UpdateComboValues(entries, index, silent);
        return;
    }
    if (entries != mEntries) {
        mEntries = entries;
        if (index == mIndex)
            Changed();
    }
    setIntValue(index, silent);
}

cProperty* cLazyCombo::MakeObject(cWidget& owner, const QString& label)
{
    return new cComboProperty(label, mIndex, mEntries, &owner);
}
