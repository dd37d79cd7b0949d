#include "Quendle/AppCommon/ConfigBase.h"

#include "Common/Qt/Base64Decoder.h"
#include "Quendle/AppCommon/QmlUnit.h"
#include "ZUNet/Core/Trace.h"

#include <QBuffer>
#include <QImageReader>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QtConcurrent>

#include <algorithm>
#include <climits>

namespace
{

const QString kReleaseVersion = QStringLiteral("V1.3.1");
const QString kMultiUnitVersion = QStringLiteral("1.3.0");

const QRegularExpression& VersionFieldsPattern()
{
    static const QRegularExpression pattern(QStringLiteral("V?(\\d+)\\.(\\d+)\\.(\\d+)X?"));
    return pattern;
}

/// The three numbers of the first dotted version in `text`; false when there is none or a field
/// does not fit an int.
bool VersionFields(const QString& text, std::array<int, 3>& fields)
{
    const QRegularExpressionMatch match = VersionFieldsPattern().match(text);
    if (!match.hasMatch())
        return false;
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        fields[std::size_t(i)] = match.captured(i + 1).toInt(&ok);
        if (!ok)
            return false;
    }
    return true;
}

quint32 LittleEndian(const QByteArray& bytes, qint64 at, int length)
{
    quint32 value = 0;
    for (int i = length - 1; i >= 0; --i)
        value = (value << 8) | uchar(bytes[int(at + i)]);
    return value;
}

quint32 BigEndian32(const QByteArray& bytes, qint64 at)
{
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | uchar(bytes[int(at + i)]);
    return value;
}

/// Sides up to 2^32 each, as a PNG header may give them: checked alone first, the product cannot overflow.
bool WithinPixelLimit(qint64 width, qint64 height)
{
    const qint64 limit = cConfigBase::kMaxImagePixels;
    return width <= limit && height <= limit && width * height <= limit;
}

/// An icon's directory gives each entry's size in one byte, while the PNG or device-independent
/// bitmap inside says its own, and the decoder allocates what the inner image says: every entry's
/// inner size is held to the pixel limit.
bool IconImagesWithinLimit(const QByteArray& bytes)
{
    static const QByteArray pngSignature("\x89PNG\r\n\x1a\n", 8);
    const qint64 total = bytes.size();
    if (total < 6)
        return false;
    const int count = int(LittleEndian(bytes, 4, 2));
    for (int i = 0; i < count; ++i) {
        const qint64 entry = 6 + qint64(16) * i;
        if (entry + 16 > total)
            break;
        const qint64 offset = LittleEndian(bytes, entry + 12, 4);
        if (offset + 24 > total)
            continue; // nothing there for the decoder to read
        if (bytes.mid(int(offset), 8) == pngSignature) {
            if (!WithinPixelLimit(BigEndian32(bytes, offset + 16), BigEndian32(bytes, offset + 20)))
                return false;
            continue;
        }
        // The header's height counts the colour rows and the mask rows together.
        const qint64 width = std::abs(qint64(qint32(LittleEndian(bytes, offset + 4, 4))));
        const qint64 height = std::abs(qint64(qint32(LittleEndian(bytes, offset + 8, 4))));
        if (!WithinPixelLimit(width, height / 2))
            return false;
    }
    return true;
}

/// Takes `bytes` from what is left of the decoded-image budget; false, taking nothing, when it
/// does not fit.
bool TakeFromBudget(std::atomic<qint64>& left, qint64 bytes)
{
    qint64 now = left.load();
    do {
        if (bytes > now)
            return false;
    } while (!left.compare_exchange_weak(now, now - bytes));
    return true;
}

/// Decodes a bitmap of the format its bytes name; refuses, before allocating them, images above
/// the pixel limit whatever their container says, and images that no longer fit the budget of
/// decoded bytes that `bytesLeft` holds for the whole configuration.
QImage DecodeBitmap(const QByteArray& bytes, std::atomic<qint64>* bytesLeft)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // A bitmap resource holds a bitmap: vector data is not rendered (with its fonts) at read time.
    const QByteArray format = reader.format();
    if (format.startsWith("svg"))
        return QImage();
    const QSize size = reader.size();
    if (!size.isValid() || !WithinPixelLimit(size.width(), size.height()))
        return QImage();
    if ((format == "ico" || format == "cur") && !IconImagesWithinLimit(bytes))
        return QImage();
    // Taken before decoding, at the depth the header names (four bytes a pixel when it names
    // none), and settled to the decoded image's own size afterwards.
    const QImage::Format decodedFormat = reader.imageFormat();
    const int depth
        = decodedFormat == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(decodedFormat).bitsPerPixel();
    const qint64 expected = qint64(size.height()) * ((qint64(size.width()) * depth + 31) / 32 * 4);
    if (!TakeFromBudget(*bytesLeft, expected)) {
        ZU_ERR("Decoded images past %lld MB: an image of %d x %d refused", cConfigBase::kMaxDecodedImageBytes >> 20,
            size.width(), size.height());
        return QImage();
    }
    QImage image;
    if (!reader.read(&image)) {
        *bytesLeft += expected;
        return QImage();
    }
    const qint64 extra = image.sizeInBytes() - expected;
    if (extra > 0 && !TakeFromBudget(*bytesLeft, extra)) {
        *bytesLeft += expected;
        ZU_ERR("Decoded images past %lld MB: an image of %d x %d refused", cConfigBase::kMaxDecodedImageBytes >> 20,
            size.width(), size.height());
        return QImage();
    }
    if (extra < 0)
        *bytesLeft -= extra;
    return image;
}

/// The element's Base64 text decoded as the reader hands it over, from the reader's own buffer; an
/// element inside it is an error of the stream, as with `readElementText`.
bool ReadBase64Text(QXmlStreamReader& reader, QByteArray& bytes)
{
    cBase64Decoder decoder;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
            decoder.Append(reader.text());
            break;
        case QXmlStreamReader::EndElement:
            bytes = decoder.Take();
            return true;
        case QXmlStreamReader::StartElement:
            reader.raiseError(QStringLiteral("Expected character data."));
            return false;
        default:
            break;
        }
    }
    return false;
}

} // namespace

cConfigBase::cConfigBase(QObject* parent, cApplicationInterface* application)
    : cImageResourceHost(parent)
    , mApplication(application)
    , mResources(new QQmlObjectListModel<cResource>(this, QByteArray(), QByteArray()))
    , mUnits(new QQmlObjectListModel<cConfigUnit>(this, QByteArray(), QByteArray()))
{
    connect(mUnits, &QAbstractItemModel::rowsInserted, this, &cConfigBase::UnitsListChanged);
    connect(mUnits, &QAbstractItemModel::rowsRemoved, this, &cConfigBase::UnitsListChanged);
    // The provider's copy of the images follows every change of the list, whoever makes it.
    connect(mResources, &QAbstractItemModel::rowsInserted, this,
        [this](const QModelIndex&, int first, int last) { ResourceRowsInserted(first, last); });
    connect(mResources, &QAbstractItemModel::rowsRemoved, this,
        [this](const QModelIndex&, int first, int last) { ResourceRowsRemoved(first, last); });
    connect(mResources, &QAbstractItemModel::rowsMoved, this,
        [this](const QModelIndex&, int first, int last, const QModelIndex&, int destination) {
            ResourceRowsMoved(first, last, destination);
        });
    connect(mResources, &QAbstractItemModel::modelReset, this, &cConfigBase::RebuildImageEntries);
}

cConfigBase::~cConfigBase()
{
    disconnect(this, nullptr, nullptr, nullptr);
    mUnits->disconnect(this);
    mResources->disconnect(this);
    mUnits->clear();
    QMutexLocker locker(&mImageLock);
    mImageEntries.clear();
}

QString cConfigBase::CCReleaseVersion()
{
    static const QString version = [] {
        static const QRegularExpression pattern(QStringLiteral("V?(\\d+\\.\\d+\\.\\d+)X?"));
        return pattern.match(kReleaseVersion).captured(1);
    }();
    return version;
}

std::array<UBYTE, 3> cConfigBase::CCReleaseVersionArray()
{
    std::array<int, 3> fields {};
    VersionFields(kReleaseVersion, fields);
    return { UBYTE(fields[0]), UBYTE(fields[1]), UBYTE(fields[2]) };
}

void cConfigBase::Reset(bool resetResources)
{
    if (resetResources) {
        mNextResourceId = 0;
        const QList<cResource*> resources = mResources->toList();
        mResources->clear();
        qDeleteAll(resources);
    }
    mNextUnitId = 0;
    const QList<cConfigUnit*> units = mUnits->toList();
    mUnits->clear();
    qDeleteAll(units);
    mConfigVersionIsNewer = false;
    mVersion = CCReleaseVersion();
}

void cConfigBase::SetConfigVersionIsNewer(bool isNewer)
{
    if (isNewer == mConfigVersionIsNewer)
        return;
    mConfigVersionIsNewer = isNewer;
    Q_EMIT configVersionIsNewerChanged();
}

void cConfigBase::SetVersionString(const QString& version)
{
    mVersion = version;
    Q_EMIT versionStringChanged();
}

bool cConfigBase::ValidateVersionStringSetIsNewer(const QString& version)
{
    std::array<int, 3> file {};
    std::array<int, 3> own {};
    if (!VersionFields(version, file) || !VersionFields(kReleaseVersion, own))
        return false;
    SetConfigVersionIsNewer(file > own);
    return true;
}

bool cConfigBase::VersionIsMultiUnitVersion(const QString& version)
{
    return version.compare(kMultiUnitVersion, Qt::CaseSensitive) >= 0;
}

void cConfigBase::ReadResourcesXml(QXmlStreamReader& reader, bool dropRawBitmapData)
{
    std::vector<sPendingImage> pending;
    std::atomic<qint64> bytesLeft(kMaxDecodedImageBytes - DecodedImageBytes());
    mPendingImages = &pending;
    mImageBytesLeft = &bytesLeft;
    ReadResourceChildren(reader, dropRawBitmapData);
    mPendingImages = nullptr;
    mImageBytesLeft = nullptr;
    for (sPendingImage& image : pending) {
        const bool bitmap = image.mSubtype != cImageResource::SvgSubtype();
        FinishImage(image, bitmap ? image.mDecoded.result() : QImage(), dropRawBitmapData);
    }
}

void cConfigBase::ReadResourceChildren(QXmlStreamReader& reader, bool dropRawBitmapData)
{
    while (reader.readNextStartElement()) {
        if (reader.name() == QLatin1String("ResourceGroup"))
            ReadResourceGroupXml(reader, dropRawBitmapData);
        else if (reader.name() == QLatin1String("Resource"))
            ReadResourceXml(reader, dropRawBitmapData, cResource::CustomGroupName());
        else
            reader.skipCurrentElement();
    }
}

void cConfigBase::ReadResourceGroupXml(QXmlStreamReader& reader, bool dropRawBitmapData)
{
    const QString name = reader.attributes().value(QLatin1String("name")).toString();
    if (name.isEmpty()) {
        ZU_ERR("Unable to determine resource group name");
        reader.skipCurrentElement();
        return;
    }
    while (reader.readNextStartElement()) {
        if (reader.name() == QLatin1String("Resource"))
            ReadResourceXml(reader, dropRawBitmapData, name);
        else
            reader.skipCurrentElement();
    }
}

void cConfigBase::ReadResourceXml(QXmlStreamReader& reader, bool dropRawBitmapData, const QString& group)
{
    QString id;
    QString type = QStringLiteral("unknown");
    QString name;
    QString subtype;
    bool isDefault = false;
    QStringList tags;
    bool recolourable = false;
    QColor recolourableColour;

    const QXmlStreamAttributes attributes = reader.attributes();
    for (const QXmlStreamAttribute& attribute : attributes) {
        const QStringRef key = attribute.name();
        if (key == QLatin1String("id")) {
            id = attribute.value().toString();
            if (!dropRawBitmapData)
                id = MapResourceId(id);
            bool ok = false;
            const int number = id.toInt(&ok);
            // The next id is the number plus one: a number at the top of the range has none.
            if (!ok || number == INT_MAX) {
                ZU_ERR("Error reading resource id");
                break;
            }
            if (number >= mNextResourceId)
                mNextResourceId = number + 1;
        } else if (key == QLatin1String("type")) {
            type = attribute.value().toString();
        } else if (key == QLatin1String("name")) {
            name = attribute.value().toString();
        } else if (key == QLatin1String("subtype")) {
            subtype = attribute.value().toString();
        } else if (key == QLatin1String("default")) {
            bool ok = false;
            const int value = attribute.value().toInt(&ok);
            if (!ok)
                ZU_ERR("Error reading resource default flag '%s'", qPrintable(attribute.value().toString()));
            isDefault = ok && value != 0;
        } else if (key == QLatin1String("tags")) {
            tags = attribute.value().toString().split(QLatin1Char(','));
        } else if (key == QLatin1String("recolourableColour")) {
            recolourableColour = QColor(attribute.value().toString());
            recolourable = true;
        }
    }

    if (id.isEmpty()) {
        reader.skipCurrentElement();
        return;
    }
    if (type != cImageResource::Type()) {
        ReadOtherResourceXml(reader, id, type, name, isDefault);
        // Whatever the hook left of the element is not read as a sibling.
        if (!reader.isEndElement() || reader.name() != QLatin1String("Resource"))
            reader.skipCurrentElement();
        return;
    }

    sPendingImage pending { id, name, QByteArray(), subtype, group, tags, recolourable, recolourableColour, {} };
    if (!ReadBase64Text(reader, pending.mBytes))
        return;
    const bool bitmap = subtype != cImageResource::SvgSubtype();
    if (mPendingImages) {
        // Bitmaps decode on the configuration's thread pool while the reader goes on; they join the list in
        // document order when the `Resources` element ends.
        if (bitmap)
            pending.mDecoded = QtConcurrent::run(&mDecodePool, &DecodeBitmap, pending.mBytes, mImageBytesLeft);
        mPendingImages->push_back(std::move(pending));
        return;
    }
    std::atomic<qint64> bytesLeft(kMaxDecodedImageBytes - DecodedImageBytes());
    FinishImage(pending, bitmap ? DecodeBitmap(pending.mBytes, &bytesLeft) : QImage(), dropRawBitmapData);
}

qint64 cConfigBase::DecodedImageBytes() const
{
    qint64 bytes = 0;
    for (cResource* resource : mResources->toList()) {
        if (auto* image = qobject_cast<cImageResource*>(resource))
            bytes += image->Image().sizeInBytes();
    }
    return bytes;
}

void cConfigBase::FinishImage(sPendingImage& pending, const QImage& image, bool dropRawBitmapData)
{
    if (pending.mSubtype != cImageResource::SvgSubtype()) {
        if (image.isNull()) {
            ZU_ERR("Error loading image data from xml");
            return;
        }
        if (dropRawBitmapData)
            pending.mBytes = QByteArray();
    }
    InsertNewResource(new cImageResource(this, pending.mId, pending.mName, image, pending.mBytes, pending.mSubtype,
        pending.mGroup, pending.mTags, pending.mRecolourable, pending.mRecolourableColour, this));
}

void cConfigBase::ReadOtherResourceXml(QXmlStreamReader&, const QString&, const QString&, const QString&, bool) { }

void cConfigBase::ReadUnitsFromXml(QXmlStreamReader& reader)
{
    while (reader.readNextStartElement()) {
        if (reader.name() != QLatin1String("Unit")) {
            reader.skipCurrentElement();
            continue;
        }
        QByteArray password;
        cConfigUnit* unit = cConfigUnit::CreateFromXML(reader, this, password);
        if (!unit)
            continue;
        if (!password.isEmpty())
            SetUnitPassword(unit, password);
        if (unit->unitId() >= mNextUnitId)
            mNextUnitId = unit->unitId() + 1;
        if (InsertNewUnit(unit) == -1) {
            ZU_ERR("Failed to load unit %d '%s'", unit->unitId(), qPrintable(unit->NameOrIpAddress()));
            delete unit;
        }
    }
}

int cConfigBase::InsertNewUnit(cConfigUnit* unit)
{
    const QString text = unit->NameOrIpAddress();
    const int count = mUnits->count();
    for (int i = 0; i < count; ++i) {
        const cConfigUnit* existing = mUnits->at(i);
        if (existing->unitId() == unit->unitId()) {
            ZU_ERR("Duplicate unit id %d", unit->unitId());
            return -1;
        }
        if (existing->NameOrIpAddress() == text && !unit->isPrimaryUnit() && !existing->isPrimaryUnit()) {
            ZU_ERR("Duplicate unit name/ip address '%s'", qPrintable(text));
            return -1;
        }
    }
    for (int i = 0; i < count; ++i) {
        if (mUnits->at(i)->NameOrIpAddress().compare(text, Qt::CaseInsensitive) > 0) {
            mUnits->insert(i, unit);
            return i;
        }
    }
    mUnits->append(unit);
    return count;
}

int cConfigBase::InsertNewResource(cResource* resource)
{
    // The list is kept in name order, so the first name that compares greater is found by halving.
    const QString name = resource->Name();
    const QList<cResource*>& items = mResources->toList();
    const auto place = std::upper_bound(items.begin(), items.end(), name,
        [](const QString& key, cResource* item) { return item->Name().compare(key, Qt::CaseInsensitive) > 0; });
    const int index = int(place - items.begin());
    mResources->insert(index, resource);
    Q_EMIT ResourceInserted(resource->resourceId());
    return index;
}

int cConfigBase::AddDefaultUnitFromPrimary()
{
    cConnectionUnit* primary = mApplication ? mApplication->PrimaryUnit() : nullptr;
    if (!primary)
        return -1;
    auto* unit = new cConfigUnit(this, 0, primary->NameOrIpAddress(), primary->type(), true, QString(), this);
    // A configuration that already has a unit 0 refuses this one: nothing may bind to it then.
    if (InsertNewUnit(unit) == -1) {
        delete unit;
        return -1;
    }
    return unit->unitId();
}

cImageResource* cConfigBase::GetImageResource(const QString& id) const
{
    const int count = mResources->count();
    for (int i = 0; i < count; ++i) {
        auto* image = qobject_cast<cImageResource*>(mResources->at(i));
        if (image && image->resourceId() == id)
            return image;
    }
    return nullptr;
}

bool cConfigBase::FindImageData(const QString& id, sImageData& data) const
{
    QMutexLocker locker(&mImageLock);
    for (const sImageEntry& entry : mImageEntries) {
        if (entry.mIsImage && entry.mId == id) {
            data = entry.mData;
            return true;
        }
    }
    return false;
}

QString cConfigBase::qmlUnitToUnitType(cQmlUnit* QmlUnit)
{
    return cConnectionUnit::QmlUnitToUnitType(QmlUnit);
}

bool cConfigBase::isImageRecolourable(QString ImageId)
{
    if (ImageId.startsWith(QLatin1String("_basic")))
        return true;
    if (ImageId.startsWith(QLatin1String("default_")))
        return ImageId != QLatin1String("default_btn_off_0") && ImageId != QLatin1String("default_led_off_0");
    const cImageResource* image = GetImageResource(ImageId);
    return image && image->Recolourable();
}

QColor cConfigBase::getRecolourableColour(QString ImageId)
{
    static const QColor white(QStringLiteral("#FFFFFF"));
    static const std::array<QColor, 5> themes = { QColor(QStringLiteral("#6EFF36")), QColor(QStringLiteral("#FE4F00")),
        QColor(QStringLiteral("#0D72B8")), QColor(QStringLiteral("#FFD100")), QColor(QStringLiteral("#0D69B9")) };
    static const QRegularExpression themePattern(QStringLiteral("default_th_(\\d+)"));

    if (ImageId.startsWith(QLatin1String("default_"))) {
        if (!ImageId.startsWith(QLatin1String("default_th")))
            return themes[0];
        const QRegularExpressionMatch match = themePattern.match(ImageId);
        if (!match.hasMatch())
            return white;
        bool ok = false;
        int theme = match.captured(1).toInt(&ok);
        if (!ok)
            theme = 0;
        return theme >= 0 && theme < int(themes.size()) ? themes[std::size_t(theme)] : white;
    }
    const cImageResource* image = GetImageResource(ImageId);
    return image ? image->RecolourableColour() : white;
}

cConfigBase::sImageEntry cConfigBase::EntryFor(cResource* resource)
{
    sImageEntry entry;
    entry.mId = resource->resourceId();
    if (auto* image = qobject_cast<cImageResource*>(resource)) {
        entry.mIsImage = true;
        entry.mData = image->ImageData();
    }
    return entry;
}

void cConfigBase::ResourceRowsInserted(int first, int last)
{
    QVector<sImageEntry> entries;
    for (int row = first; row <= last; ++row)
        entries.append(EntryFor(mResources->at(row)));
    QMutexLocker locker(&mImageLock);
    for (int i = 0; i < entries.size(); ++i)
        mImageEntries.insert(first + i, entries[i]);
}

void cConfigBase::ResourceRowsRemoved(int first, int last)
{
    QMutexLocker locker(&mImageLock);
    mImageEntries.remove(first, last - first + 1);
}

void cConfigBase::ResourceRowsMoved(int first, int last, int destination)
{
    QMutexLocker locker(&mImageLock);
    const QVector<sImageEntry> moving = mImageEntries.mid(first, last - first + 1);
    mImageEntries.remove(first, moving.size());
    const int to = destination > last ? destination - moving.size() : destination;
    for (int i = 0; i < moving.size(); ++i)
        mImageEntries.insert(to + i, moving[i]);
}

void cConfigBase::RebuildImageEntries()
{
    QVector<sImageEntry> entries;
    const int count = mResources->count();
    for (int row = 0; row < count; ++row)
        entries.append(EntryFor(mResources->at(row)));
    QMutexLocker locker(&mImageLock);
    mImageEntries = entries;
}
