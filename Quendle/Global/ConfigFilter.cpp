#include "Quendle/Global/ConfigFilter.h"

#include "Quendle/Global/ConfigDocumentNames.h"
#include "Quendle/Global/ConfigManagerProtocol.h"
#include "ZUNet/Core/Trace.h"

#include <QBuffer>
#include <QFile>
#include <QRegExp>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstring>
#include <string_view>

#include <sys/stat.h>

namespace Quendle
{

namespace
{

namespace N = ConfigNames;

QString L(const char* name)
{
    return QString::fromLatin1(name);
}

/// Every byte as one character, NULs included (the QByteArray overload stops at the first NUL).
QString Latin1(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.constData(), bytes.size());
}

bool Found(const QRegularExpression& expression, const QByteArray& line)
{
    return expression.match(Latin1(line)).hasMatch();
}

/// The id of the first `<Resource id="digits"` in the line, as the pattern "[\s]*<Resource id="([0-9]*)""
/// finds it; scanned in place because the image data after it can be megabytes long.
bool ResourceLineId(const char* line, qint64 length, int& id)
{
    static const std::string kOpen = std::string("<") + N::kResource + " " + N::kId + "=\"";
    const std::string_view text(line, static_cast<std::size_t>(length));
    for (std::size_t at = text.find(kOpen); at != std::string_view::npos; at = text.find(kOpen, at + 1)) {
        std::size_t end = at + kOpen.size();
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        if (end >= text.size() || text[end] != '"')
            continue;
        bool ok = false;
        id = QByteArray(line + at + kOpen.size(), int(end - at - kOpen.size())).toInt(&ok);
        return ok;
    }
    return false;
}

const QByteArray kLayoutsClose = QByteArray("    </") + N::kLayouts + ">\n";
const QByteArray kResourcesOpen = QByteArray("    <") + N::kResources + ">\n";
const QByteArray kResourcesClose = QByteArray("    </") + N::kResources + ">\n";

} // namespace

qint64 sRunnerConfigPlan::Size() const
{
    qint64 size = mMiddle.size() + mTail.size();
    for (qint64 length : mResourceLengths)
        size += length;
    return size;
}

cWholeBytes::cWholeBytes(QIODevice& device)
    : mDevice(device)
{
    if (auto* buffer = qobject_cast<QBuffer*>(&device)) {
        mData = buffer->data().constData();
        mSize = buffer->data().size();
    } else if (auto* file = qobject_cast<QFile*>(&device)) {
        mSize = file->size();
        uchar* map = mSize > 0 ? file->map(0, mSize) : nullptr;
        mData = reinterpret_cast<const char*>(map);
        mMapped = map != nullptr;
    }
    if (!mData)
        mSize = 0;
}

cWholeBytes::~cWholeBytes()
{
    if (mMapped)
        static_cast<QFile&>(mDevice).unmap(reinterpret_cast<uchar*>(const_cast<char*>(mData)));
}

cConfigFilter::cConfigFilter(tAddressTable addresses)
    : mAddresses(std::move(addresses))
    , mLayoutsStart(QStringLiteral("[\\s]*<") + L(N::kLayouts) + QStringLiteral("/?>"))
    , mLayoutsEmpty(QStringLiteral("[\\s]*<") + L(N::kLayouts) + QStringLiteral("/>"))
    , mLayoutsEnd(QStringLiteral("[\\s]*</") + L(N::kLayouts) + QStringLiteral(">"))
    , mLayoutWhole(QStringLiteral("[\\s]*<") + L(N::kLayout) + QStringLiteral(" .*/>"))
    , mLayoutStart(QStringLiteral("[\\s]*<") + L(N::kLayout) + QStringLiteral(" "))
    , mLayoutEnd(QStringLiteral("[\\s]*</") + L(N::kLayout) + QStringLiteral(">"))
    , mWidgetLine(QStringLiteral("[\\s]*<") + L(N::kWidget) + QStringLiteral(" .*>"))
    , mResourceIdAttribute(
          QStringLiteral("([a-zA-Z]*[Rr]") + L(N::kResourceIdSuffix) + QStringLiteral(")=\"([0-9]*)\""))
    // A start tag, quoted values may hold '>'; newlines inside a tag are allowed.
    , mUnitTag(QStringLiteral("<") + L(N::kUnit) + QStringLiteral("(?=[\\s/>])(?:[^>\"']|\"[^\"]*\"|'[^']*')*>"))
    , mPasswordAttribute(
          QStringLiteral("(?<=\\s)") + L(N::kPassword) + QStringLiteral("\\s*=\\s*(?:\"[^\"]*\"|'[^']*')"))
    , mNameOrIpAddressAttribute(
          QStringLiteral("(?<=\\s)") + L(N::kNameOrIpAddress) + QStringLiteral("\\s*=\\s*\"([^\"]*)\""))
    , mSceneToken(QStringLiteral(
          "((?:\\d+(?:-\\d+)?)|(?:\"(?:[\\w~`!@#$%^&*()\\-+={}[\\]\\?\\/:;'<>,.| ]|\\\\\\\\|\\\\\"\\\\\\*)+\"))"))
    , mNumber(QStringLiteral("[\\d]+"))
{
}

sRunnerConfigPlan cConfigFilter::PlanRunnerConfig(QIODevice& file, const sRunnerFilter& runner) const
{
    sRunnerConfigPlan plan;
    QString tag;
    plan.mTopLevelTagFound = GetTopLevelTag(file, tag);
    if (!plan.mTopLevelTagFound)
        tag.clear();
    QList<QByteArray> headLines;
    GetDataUpToLayouts(file, headLines);
    const QByteArray head = AddUnitIpAddressesAndRemovePasswords(headLines);

    QByteArray layoutText;
    std::set<int> resourceIdsNeeded;
    GetLayoutData(file, runner, layoutText, resourceIdsNeeded, plan.mLayoutIndices);
    for (int id : runner.mResourceIdsHeld)
        resourceIdsNeeded.erase(id);

    plan.mMiddle = head + layoutText + kResourcesOpen;
    plan.mHeadSize = head.size();
    plan.mTail = kResourcesClose + "</" + tag.toUtf8() + ">";
    GetResourceSeekPositionsAndLength(file, resourceIdsNeeded, plan.mResourcePositions, plan.mResourceLengths);
    return plan;
}

std::list<int> cConfigFilter::MatchingLayoutIndices(QIODevice& file, const sRunnerFilter& runner) const
{
    std::list<int> indices;
    if (!file.seek(0))
        return indices;
    QList<QByteArray> head;
    GetDataUpToLayouts(file, head);
    QByteArray layoutText;
    std::set<int> resources;
    GetLayoutData(file, runner, layoutText, resources, indices);
    return indices;
}

bool cConfigFilter::Assemble(QIODevice& file, const sRunnerConfigPlan& plan, QByteArray& out)
{
    out = plan.mMiddle;
    for (int i = 0; i < plan.mResourcePositions.size(); ++i) {
        if (!file.seek(plan.mResourcePositions[i]))
            return false;
        const QByteArray line = file.read(plan.mResourceLengths[i]);
        if (line.size() != plan.mResourceLengths[i])
            return false;
        out += line;
    }
    out += plan.mTail;
    return true;
}

bool cConfigFilter::GetTopLevelTag(QIODevice& file, QString& tag) const
{
    if (!file.seek(0))
        return false;
    QXmlStreamReader reader(&file);
    bool found = false;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement) {
            tag = reader.name().toString();
            found = true;
            break;
        }
    }
    if (!file.seek(0))
        return false;
    return found;
}

void cConfigFilter::GetDataUpToLayouts(QIODevice& file, QList<QByteArray>& lines) const
{
    while (!file.atEnd()) {
        const qint64 start = file.pos();
        const QByteArray line = file.readLine();
        if (Found(mLayoutsStart, line)) {
            file.seek(start);
            return;
        }
        lines.append(line);
    }
}

QByteArray cConfigFilter::AddUnitIpAddressesAndRemovePasswords(const QList<QByteArray>& lines) const
{
    QByteArray joined;
    for (const QByteArray& line : lines)
        joined += line;
    // Latin-1 maps every byte to one character and back, so the bytes around the edits pass unchanged.
    const QString text = Latin1(joined);
    if (!text.contains(QLatin1String("<") + L(N::kUnit)))
        return joined;

    QMap<QString, QString> addresses;
    bool addressesRead = false;
    QString out;
    out.reserve(text.size());
    int copied = 0;
    QRegularExpressionMatchIterator tags = mUnitTag.globalMatch(text);
    while (tags.hasNext()) {
        const QRegularExpressionMatch tagMatch = tags.next();
        const QString tagText = tagMatch.captured(0);
        QRegularExpressionMatchIterator passwords = mPasswordAttribute.globalMatch(tagText);
        if (!passwords.hasNext())
            continue;
        QString rewritten;
        int tagCopied = 0;
        bool first = true;
        while (passwords.hasNext()) {
            const QRegularExpressionMatch password = passwords.next();
            rewritten += tagText.midRef(tagCopied, password.capturedStart(0) - tagCopied);
            tagCopied = password.capturedEnd(0);
            if (!first)
                continue;
            first = false;
            const QRegularExpressionMatch name = mNameOrIpAddressAttribute.match(tagText);
            if (!name.hasMatch())
                continue;
            if (!addressesRead) {
                if (mAddresses)
                    addresses = mAddresses();
                addressesRead = true;
            }
            const QString address = addresses.value(name.captured(1));
            if (!address.isEmpty())
                rewritten += QStringLiteral(" ") + L(N::kUnitFinderIpAddress) + QStringLiteral("=\"") + address
                    + QStringLiteral("\" ");
        }
        rewritten += tagText.midRef(tagCopied);
        out += text.midRef(copied, tagMatch.capturedStart(0) - copied);
        out += rewritten;
        copied = tagMatch.capturedEnd(0);
    }
    out += text.midRef(copied);
    return out.toLatin1();
}

void cConfigFilter::GetLayoutData(QIODevice& file, const sRunnerFilter& runner, QByteArray& layoutText,
    std::set<int>& resourceIdsNeeded, std::list<int>& layoutIndices) const
{
    if (file.atEnd())
        return;
    const QByteArray layoutsLine = file.readLine();
    layoutText += layoutsLine;
    if (Found(mLayoutsEmpty, layoutsLine))
        return;

    int index = 0;
    bool portrait = false;
    bool landscape = false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (Found(mLayoutsEnd, line)) {
            layoutText += line;
            return;
        }
        QList<QByteArray> layout;
        if (Found(mLayoutWhole, line)) {
            layout.append(line);
        } else if (Found(mLayoutStart, line)) {
            layout.append(line);
            while (!file.atEnd()) {
                const QByteArray next = file.readLine();
                layout.append(next);
                if (Found(mLayoutEnd, next))
                    break;
            }
        } else {
            continue;
        }

        QByteArray joined;
        for (const QByteArray& part : layout)
            joined += part;
        int orientation = 0;
        if (!DoesLayoutDataMatch(joined, runner, orientation)) {
            ++index;
            continue;
        }
        AppendResourceIds(layout, resourceIdsNeeded);
        layoutText += joined;
        layoutIndices.push_back(index);
        if (orientation == 0) {
            portrait = true;
            landscape = true;
        } else if (orientation == 1) {
            portrait = true;
        } else if (orientation == 2) {
            landscape = true;
        }
        if (runner.mDeviceType == Desktop || (portrait && landscape)) {
            layoutText += kLayoutsClose;
            return;
        }
        ++index;
    }
}

bool cConfigFilter::DoesLayoutDataMatch(const QByteArray& layout, const sRunnerFilter& runner, int& orientation) const
{
    QXmlStreamReader reader(layout);
    while (!reader.atEnd() && reader.readNext() != QXmlStreamReader::StartElement) { }
    if (!reader.isStartElement())
        return false;

    const QString user = QString::fromStdString(runner.mUserName);
    bool userOk = false;
    bool deviceOk = false;
    bool sceneOk = false;
    for (const QXmlStreamAttribute& attribute : reader.attributes()) {
        const QStringRef name = attribute.name();
        const QString value = attribute.value().toString();
        if (name == QLatin1String(N::kAllUsers)) {
            if (value.toInt() != 0)
                userOk = true;
        } else if (name == QLatin1String(N::kUsers)) {
            if (!userOk && value.split(QLatin1Char(',')).contains(user))
                userOk = true;
        } else if (name == QLatin1String(N::kDesktop)) {
            if (value.toInt() != 0 && runner.mDeviceType == Desktop)
                deviceOk = true;
        } else if (name == QLatin1String(N::kPhone)) {
            if (value.toInt() != 0 && runner.mDeviceType == Phone)
                deviceOk = true;
        } else if (name == QLatin1String(N::kTablet)) {
            if (value.toInt() != 0 && runner.mDeviceType == Tablet)
                deviceOk = true;
        } else if (name == QLatin1String(N::kOrientation)) {
            orientation = value.toInt();
        } else if (name == QLatin1String(N::kAllScenes)) {
            if (value.toInt() != 0)
                sceneOk = true;
        } else if (name == QLatin1String(N::kScenes)) {
            if (!sceneOk)
                sceneOk = SceneInSceneString(value, runner.mSceneNumber, runner.mSceneName);
        }
    }
    return userOk && deviceOk && sceneOk;
}

void cConfigFilter::AppendResourceIds(const QList<QByteArray>& layout, std::set<int>& ids) const
{
    for (const QByteArray& line : layout) {
        const QString text = Latin1(line);
        if (!mWidgetLine.match(text).hasMatch())
            continue;
        QRegularExpressionMatchIterator matches = mResourceIdAttribute.globalMatch(text);
        while (matches.hasNext()) {
            bool ok = false;
            const int id = matches.next().captured(2).toInt(&ok);
            if (ok)
                ids.insert(id);
        }
    }
}

bool cConfigFilter::SceneInSceneString(const QString& sceneList, UWORD sceneNumber, const QString& sceneName) const
{
    if (mSceneToken.captureCount() != 1) {
        ZU_ERR("Unexpected capture count %d", mSceneToken.captureCount());
        return false;
    }
    QRegularExpressionMatchIterator tokens = mSceneToken.globalMatch(sceneList);
    while (tokens.hasNext()) {
        const QString token = tokens.next().captured(1);
        if (token.startsWith(QLatin1Char('"')) && token.size() > 2) {
            const QRegExp wildcard(token.mid(1, token.size() - 2), Qt::CaseSensitive, QRegExp::WildcardUnix);
            if (wildcard.exactMatch(sceneName))
                return true;
            continue;
        }
        QList<qint64> numbers;
        bool fits = true;
        QRegularExpressionMatchIterator digits = mNumber.globalMatch(token);
        while (digits.hasNext()) {
            bool ok = false;
            const int number = digits.next().captured(0).toInt(&ok);
            if (!ok)
                fits = false;
            numbers.append(number);
        }
        if (!fits)
            continue;
        if (numbers.size() == 2 && numbers[0] <= sceneNumber && sceneNumber < numbers[1])
            return true;
        if (numbers.size() == 1 && numbers[0] == sceneNumber)
            return true;
    }
    return false;
}

qint64 cConfigFilter::GetResourceSeekPositionsAndLength(
    QIODevice& file, std::set<int>& resourceIdsNeeded, QList<qint64>& positions, QList<qint64>& lengths) const
{
    qint64 length = 0;
    qint64 at = file.pos();
    const auto take = [&](qint64 position, qint64 lineLength, int id) {
        if (resourceIdsNeeded.erase(id) == 0)
            return;
        positions.append(position);
        lengths.append(lineLength);
        length += lineLength;
    };
    // Image lines run to megabytes: scanned in place rather than read line by line.
    const cWholeBytes whole(file);
    if (const char* bytes = whole.Data()) {
        sResourceIndex* index = ResourceIndex(file, at);
        const qint64 from = at;
        if (index) {
            auto line = std::lower_bound(index->mLines.begin(), index->mLines.end(), at,
                [](const sResourceIndex::sLine& l, qint64 position) { return l.mPosition < position; });
            for (; line != index->mLines.end() && !resourceIdsNeeded.empty(); ++line) {
                take(line->mPosition, line->mLength, line->mId);
                at = line->mPosition + line->mLength;
            }
            if (!resourceIdsNeeded.empty())
                at = std::max(from, index->mTo);
        }
        const qint64 size = whole.Size();
        while (!resourceIdsNeeded.empty() && at < size) {
            const char* end = static_cast<const char*>(std::memchr(bytes + at, '\n', std::size_t(size - at)));
            const qint64 lineLength = end ? end - (bytes + at) + 1 : size - at;
            int id = 0;
            const bool resource = ResourceLineId(bytes + at, lineLength, id);
            if (index && at == index->mTo && index->mLines.size() < kMostIndexedLines) {
                if (resource)
                    index->mLines.push_back({ at, lineLength, id });
                index->mTo = at + lineLength;
            }
            if (resource)
                take(at, lineLength, id);
            at += lineLength;
        }
        file.seek(at);
        return length;
    }
    while (!resourceIdsNeeded.empty() && !file.atEnd()) {
        const qint64 position = file.pos();
        const QByteArray line = file.readLine();
        int id = 0;
        if (!ResourceLineId(line.constData(), line.size(), id) || resourceIdsNeeded.erase(id) == 0)
            continue;
        positions.append(position);
        lengths.append(line.size());
        length += line.size();
    }
    return length;
}

cConfigFilter::sResourceIndex* cConfigFilter::ResourceIndex(QIODevice& file, qint64 at) const
{
    auto* device = qobject_cast<QFile*>(&file);
    struct stat status {
    };
    if (!device || device->handle() < 0 || ::fstat(device->handle(), &status) != 0)
        return nullptr;
    // A new file is renamed into place, so it has another inode; one written over in place has
    // another size or time.
    const std::array<qint64, 5> identity { qint64(status.st_dev), qint64(status.st_ino), qint64(status.st_size),
        qint64(status.st_mtim.tv_sec), qint64(status.st_mtim.tv_nsec) };
    if (identity != mIndex.mIdentity || at < mIndex.mFrom) {
        mIndex.mIdentity = identity;
        mIndex.mFrom = at;
        mIndex.mTo = at;
        mIndex.mLines.clear();
    }
    return &mIndex;
}

} // namespace Quendle
