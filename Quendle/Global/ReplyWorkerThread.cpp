#include "Quendle/Global/ReplyWorkerThread.h"

#include "Quendle/Global/UnitServices.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"

#include <QMutexLocker>
#include <QRegExp>
#include <QXmlStreamReader>

#include <climits>
#include <cstring>
#include <memory>
#include <string_view>

namespace Quendle
{

namespace
{

bool Found(const QRegularExpression& expression, const QByteArray& line)
{
    return expression.match(QString::fromLatin1(line)).hasMatch();
}

/// The id of the first `<Resource id="digits"` in the line, as the pattern "[\s]*<Resource id="([0-9]*)""
/// finds it; scanned in place because the image data after it can be megabytes long.
bool ResourceLineId(const char* line, qint64 length, int& id)
{
    static const std::string_view kOpen = "<Resource id=\"";
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

const QByteArray kLayoutsClose = "    </Layouts>\n";
const QByteArray kResourcesOpen = "    <Resources>\n";
const QByteArray kResourcesClose = "    </Resources>\n";

} // namespace

/// Cuts a reply of known total size into numbered chunks of at most 32000 bytes as the bytes
/// arrive, so a large configuration is never held whole.
class cReplyWorkerThread::cChunkWriter
{
public:
    cChunkWriter(cReplyWorkerThread& worker, cZUNetMessage& reply, qint64 total)
        : mWorker(worker)
        , mReply(reply)
        , mTotal(total)
        , mLastIndex(total > 0 ? int((total - 1) / kChunkSize) : 0)
    {
        mReply.SetLength(kChunkHeaderSize + kChunkSize);
    }

    /// Copies straight into the chunk message; a full chunk goes out at once.
    bool Append(const char* bytes, qint64 length)
    {
        while (length > 0 && mOk) {
            const int take = int(std::min<qint64>(length, kChunkSize - mFill));
            std::memcpy(mReply.mDataBuffer + kChunkHeaderSize + mFill, bytes, static_cast<std::size_t>(take));
            mFill += take;
            bytes += take;
            length -= take;
            mWritten += take;
            if (mFill == kChunkSize && mWritten < mTotal)
                Flush();
        }
        return mOk;
    }
    bool Append(const QByteArray& bytes) { return Append(bytes.constData(), bytes.size()); }

    /// Sends what is left; true when exactly the announced chunks and bytes went out.
    bool Finish()
    {
        if (mOk && (mWritten != mTotal || mIndex != mLastIndex))
            mOk = false;
        if (mOk)
            Flush();
        return mOk && mIndex == mLastIndex + 1;
    }

    int ChunksSent() const { return mIndex; }
    int LastIndex() const { return mLastIndex; }

private:
    void Flush()
    {
        if (mIndex > mLastIndex || !mWorker.SendChunk(mReply, mFill, mIndex, mLastIndex)) {
            mOk = false;
            return;
        }
        ++mIndex;
        mFill = 0;
        mReply.SetLength(kChunkHeaderSize + kChunkSize); // the buffer only grows: its size is kept
    }

    cReplyWorkerThread& mWorker;
    cZUNetMessage& mReply;
    qint64 mTotal;
    int mLastIndex;
    int mIndex = 0;
    int mFill = 0;
    qint64 mWritten = 0;
    bool mOk = true;
};

cReplyWorkerThread::cReplyWorkerThread(
    UWORD sceneNumber, UWORD secondValue, const QString& configFilePath, QMutex* configFileMutex)
    : mSceneNumber(sceneNumber)
    , mSecondValue(secondValue)
    , mConfigFilePath(configFilePath)
    , mConfigFileMutex(configFileMutex)
    , mLayoutsStart(QStringLiteral("[\\s]*<Layouts/?>"))
    , mLayoutsEmpty(QStringLiteral("[\\s]*<Layouts/>"))
    , mLayoutsEnd(QStringLiteral("[\\s]*</Layouts>"))
    , mLayoutWhole(QStringLiteral("[\\s]*<Layout .*/>"))
    , mLayoutStart(QStringLiteral("[\\s]*<Layout "))
    , mLayoutEnd(QStringLiteral("[\\s]*</Layout>"))
    , mWidgetLine(QStringLiteral("[\\s]*<Widget .*>"))
    , mResourceIdAttribute(QStringLiteral("([a-zA-Z]*[Rr]esourceId)=\"([0-9]*)\""))
    // A start tag, quoted values may hold '>'; newlines inside a tag are allowed.
    , mUnitTag(QStringLiteral("<Unit(?=[\\s/>])(?:[^>\"']|\"[^\"]*\"|'[^']*')*>"))
    , mPasswordAttribute(QStringLiteral("(?<=\\s)password\\s*=\\s*(?:\"[^\"]*\"|'[^']*')"))
    , mNameOrIpAddressAttribute(QStringLiteral("(?<=\\s)nameOrIpAddress\\s*=\\s*\"([^\"]*)\""))
    , mSceneToken(QStringLiteral(
          "((?:\\d+(?:-\\d+)?)|(?:\"(?:[\\w~`!@#$%^&*()\\-+={}[\\]\\?\\/:;'<>,.| ]|\\\\\\\\|\\\\\"\\\\\\*)+\"))"))
    , mNumber(QStringLiteral("[\\d]+"))
{
    Q_UNUSED(mSecondValue);
}

cReplyWorkerThread::~cReplyWorkerThread()
{
    Quit();
    wait();
    std::lock_guard<std::mutex> locker(mQueueMutex);
    if (!mQueue.empty()) {
        ZU_ERR("Queue not empty on destruction");
        for (sQueueItem* item : mQueue)
            delete item;
        mQueue.clear();
    }
}

void cReplyWorkerThread::Wake()
{
    mQueueCondition.notify_all();
}

void cReplyWorkerThread::Quit()
{
    std::lock_guard<std::mutex> locker(mQueueMutex);
    mQuit = true;
    Wake();
}

void cReplyWorkerThread::AddFullReplyToQueue(const cZUNetMessage& reply)
{
    auto* item = new sReplyQueueItem;
    item->mReplyMessage = reply;
    item->mFullConfig = true;
    std::lock_guard<std::mutex> locker(mQueueMutex);
    mQueue.push_back(item);
    Wake();
}

void cReplyWorkerThread::AddRunnerReplyToQueue(
    const cZUNetMessage& reply, UBYTE deviceType, const std::string& userName, const std::set<int>& resourceIdsHeld)
{
    auto* item = new sReplyQueueItem;
    item->mReplyMessage = reply;
    item->mFullConfig = false;
    item->mDeviceType = deviceType;
    item->mUserName = userName;
    item->mResourceIdsHeld = resourceIdsHeld;
    std::lock_guard<std::mutex> locker(mQueueMutex);
    mQueue.push_back(item);
    Wake();
}

void cReplyWorkerThread::SetCurrentSceneNumberAndName(
    UWORD scene, const std::string& name, const std::list<sRunnerInformItem>& runners, UWORD managerHandle)
{
    {
        std::lock_guard<std::mutex> locker(mSceneMutex);
        mSceneNumber = scene;
        mSceneName = name;
    }
    AddSceneChangedQueueItem(runners, scene, name, managerHandle);
}

void cReplyWorkerThread::AddSceneChangedQueueItem(
    const std::list<sRunnerInformItem>& runners, UWORD scene, const std::string& name, UWORD managerHandle)
{
    auto* item = new sSceneChangedQueueItem;
    item->mRunners = runners;
    item->mSceneNumber = scene;
    item->mSceneName = name;
    item->mManagerHandle = managerHandle;
    std::lock_guard<std::mutex> locker(mQueueMutex);
    for (auto it = mQueue.begin(); it != mQueue.end();) {
        if (dynamic_cast<sSceneChangedQueueItem*>(*it)) {
            delete *it;
            it = mQueue.erase(it);
        } else {
            ++it;
        }
    }
    mQueue.push_back(item);
    Wake();
}

UWORD cReplyWorkerThread::GetCurrentSceneNumber() const
{
    std::lock_guard<std::mutex> locker(mSceneMutex);
    return mSceneNumber;
}

std::string cReplyWorkerThread::GetCurrentSceneName() const
{
    std::lock_guard<std::mutex> locker(mSceneMutex);
    return mSceneName;
}

void cReplyWorkerThread::ConnectionTerminated(UWORD connectionId)
{
    {
        std::lock_guard<std::mutex> locker(mQueueMutex);
        for (auto it = mQueue.begin(); it != mQueue.end();) {
            if (auto* reply = dynamic_cast<sReplyQueueItem*>(*it)) {
                if (reply->mReplyMessage.mConnectionId == connectionId) {
                    delete *it;
                    it = mQueue.erase(it);
                    continue;
                }
            } else if (auto* scene = dynamic_cast<sSceneChangedQueueItem*>(*it)) {
                scene->mRunners.remove_if(
                    [connectionId](const sRunnerInformItem& runner) { return runner.mConnectionId == connectionId; });
            }
            ++it;
        }
        if (mCurrentConnectionId == connectionId)
            mCancelCurrent.store(true);
    }
    std::lock_guard<std::mutex> locker(mRunnerLayoutsMutex);
    for (auto it = mRunnerLayouts.begin(); it != mRunnerLayouts.end();) {
        if (it->first.first == connectionId)
            it = mRunnerLayouts.erase(it);
        else
            ++it;
    }
}

void cReplyWorkerThread::run()
{
    std::unique_lock<std::mutex> locker(mQueueMutex);
    for (;;) {
        while (mQueue.empty()) {
            if (mQuit)
                return;
            mQueueCondition.wait(locker);
        }
        std::unique_ptr<sQueueItem> item(mQueue.front());
        mQueue.pop_front();
        auto* reply = dynamic_cast<sReplyQueueItem*>(item.get());
        mCurrentConnectionId = reply ? reply->mReplyMessage.mConnectionId : 0xFFFF;
        mCancelCurrent.store(false);
        locker.unlock();

        if (reply) {
            if (reply->mFullConfig)
                SendFullConfigData(reply->mReplyMessage);
            else
                SendRunnerConfigData(
                    reply->mReplyMessage, reply->mDeviceType, reply->mUserName, reply->mResourceIdsHeld);
        } else if (auto* scene = dynamic_cast<sSceneChangedQueueItem*>(item.get())) {
            SendSceneChange(*scene);
        }
        item.reset();

        locker.lock();
        mCurrentConnectionId = 0xFFFF;
    }
}

bool cReplyWorkerThread::SendConfigDataMessage(
    cZUNetMessage& message, const char* bytes, int length, int index, int lastIndex)
{
    if (Cancelled())
        return false;
    message.SetLength(static_cast<UWORD>(length + kChunkHeaderSize));
    message.SetDataBufferUWORD(static_cast<UWORD>(index), 0);
    message.SetDataBufferUWORD(static_cast<UWORD>(lastIndex), 2);
    if (length > 0)
        std::memcpy(message.mDataBuffer + kChunkHeaderSize, bytes, static_cast<std::size_t>(length));
    message.mMethod = M_REPLY_OK;
    SyscallSendMessage(message);
    return true;
}

bool cReplyWorkerThread::SendChunk(cZUNetMessage& message, int length, int index, int lastIndex)
{
    if (Cancelled())
        return false;
    message.SetLength(static_cast<UWORD>(length + kChunkHeaderSize));
    message.SetDataBufferUWORD(static_cast<UWORD>(index), 0);
    message.SetDataBufferUWORD(static_cast<UWORD>(lastIndex), 2);
    message.mMethod = M_REPLY_OK;
    SyscallSendMessage(message);
    return true;
}

void cReplyWorkerThread::SendEmptyConfig(cZUNetMessage& reply)
{
    SendConfigDataMessage(reply, nullptr, 0, 0, 0);
}

void cReplyWorkerThread::SendFail(cZUNetMessage& reply)
{
    if (Cancelled())
        return;
    reply.SetLength(0);
    reply.mMethod = M_REPLY_FAIL;
    SyscallSendMessage(reply);
}

bool cReplyWorkerThread::OpenConfigFileOrAnswer(QFile& file, cZUNetMessage& reply)
{
    if (!file.exists() || file.size() == 0) {
        SendEmptyConfig(reply);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        ZU_ERR("Could not open quendle config file");
        SendFail(reply);
        return false;
    }
    return true;
}

void cReplyWorkerThread::SendFullConfigData(cZUNetMessage& reply)
{
    QMutexLocker fileLocker(mConfigFileMutex); // no-op without a shared file lock
    QFile file(mConfigFilePath);
    if (!OpenConfigFileOrAnswer(file, reply))
        return;
    const int lastIndex = int((file.size() - 1) / kChunkSize);
    QByteArray block(kChunkSize, '\0');
    int sent = 0;
    for (int i = 0; i <= lastIndex && !file.atEnd(); ++i) {
        const qint64 read = file.read(block.data(), kChunkSize);
        if (read <= 0 || !SendConfigDataMessage(reply, block.constData(), int(read), i, lastIndex))
            break;
        ++sent;
    }
    if (sent < lastIndex + 1) {
        ZU_ERR("Problem sending file %d %d %d", sent, lastIndex, int(file.atEnd()));
        SendFail(reply);
    }
}

void cReplyWorkerThread::SendRunnerConfigData(
    cZUNetMessage& reply, UBYTE deviceType, const std::string& userName, const std::set<int>& resourceIdsHeld)
{
    QMutexLocker fileLocker(mConfigFileMutex); // no-op without a shared file lock
    QFile file(mConfigFilePath);
    if (!OpenConfigFileOrAnswer(file, reply))
        return;

    QString tag;
    if (!GetTopLevelTag(file, tag)) {
        ZU_ERR("Problem getting top level tag");
        tag.clear();
    }
    QList<QByteArray> headLines;
    GetDataUpToLayouts(file, headLines);
    const QByteArray head = AddUnitIpAddressesAndRemovePasswords(headLines);

    QByteArray layoutText;
    std::set<int> resourceIdsNeeded;
    std::list<int> layoutIndices;
    GetLayoutData(file, deviceType, userName, layoutText, resourceIdsNeeded, layoutIndices);
    for (int id : resourceIdsHeld)
        resourceIdsNeeded.erase(id);

    {
        std::lock_guard<std::mutex> locker(mRunnerLayoutsMutex);
        const auto key = std::make_pair(reply.mConnectionId, reply.mDestination);
        mRunnerLayouts.erase(key);
        for (int index : layoutIndices)
            mRunnerLayouts.emplace(key, index);
    }

    const QByteArray middle = head + layoutText + kResourcesOpen;
    const QByteArray tail = kResourcesClose + "</" + tag.toUtf8() + ">";
    QList<qint64> positions;
    QList<qint64> lengths;
    const qint64 resourceLength = ScanResources(file, resourceIdsNeeded, positions, lengths);
    const qint64 total = middle.size() + resourceLength + tail.size();

    cChunkWriter writer(*this, reply, total);
    bool ok = writer.Append(middle);
    uchar* map = positions.isEmpty() ? nullptr : file.map(0, file.size());
    QByteArray block;
    for (int i = 0; i < positions.size() && ok; ++i) {
        if (map) {
            ok = writer.Append(reinterpret_cast<const char*>(map) + positions[i], lengths[i]);
            continue;
        }
        ok = file.seek(positions[i]);
        for (qint64 left = lengths[i]; ok && left > 0; left -= block.size()) {
            block = file.read(std::min<qint64>(left, 1 << 20));
            ok = !block.isEmpty() && writer.Append(block);
        }
    }
    if (map)
        file.unmap(map);
    ok = ok && writer.Append(tail);
    if (!writer.Finish() && !Cancelled()) {
        ZU_ERR("Problem sending file %d %d %d", writer.ChunksSent(), writer.LastIndex(), int(file.atEnd()));
        SendFail(reply);
    }
}

bool cReplyWorkerThread::GetTopLevelTag(QFile& file, QString& tag)
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

void cReplyWorkerThread::GetDataUpToLayouts(QFile& file, QList<QByteArray>& lines)
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

QByteArray cReplyWorkerThread::AddUnitIpAddressesAndRemovePasswords(const QList<QByteArray>& lines)
{
    QByteArray joined;
    for (const QByteArray& line : lines)
        joined += line;
    // Latin-1 maps every byte to one character and back, so the bytes around the edits pass unchanged.
    const QString text = QString::fromLatin1(joined);
    if (!text.contains(QLatin1String("<Unit")))
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
                addresses = UnitFoundUnitAddresses();
                addressesRead = true;
            }
            const QString address = addresses.value(name.captured(1));
            if (!address.isEmpty())
                rewritten += QStringLiteral(" unitFinderIpAddress=\"") + address + QStringLiteral("\" ");
        }
        rewritten += tagText.midRef(tagCopied);
        out += text.midRef(copied, tagMatch.capturedStart(0) - copied);
        out += rewritten;
        copied = tagMatch.capturedEnd(0);
    }
    out += text.midRef(copied);
    return out.toLatin1();
}

void cReplyWorkerThread::GetLayoutData(QFile& file, UBYTE deviceType, const std::string& userName,
    QByteArray& layoutText, std::set<int>& resourceIdsNeeded, std::list<int>& layoutIndices)
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
        if (!DoesLayoutDataMatch(joined, deviceType, userName, orientation)) {
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
        if (deviceType == Desktop || (portrait && landscape)) {
            layoutText += kLayoutsClose;
            return;
        }
        ++index;
    }
}

bool cReplyWorkerThread::DoesLayoutDataMatch(
    const QByteArray& layout, UBYTE deviceType, const std::string& userName, int& orientation)
{
    QXmlStreamReader reader(layout);
    while (!reader.atEnd() && reader.readNext() != QXmlStreamReader::StartElement) { }
    if (!reader.isStartElement())
        return false;

    const QString user = QString::fromStdString(userName);
    bool userOk = false;
    bool deviceOk = false;
    bool sceneOk = false;
    for (const QXmlStreamAttribute& attribute : reader.attributes()) {
        const QStringRef name = attribute.name();
        const QString value = attribute.value().toString();
        if (name == QLatin1String("allUsers")) {
            if (value.toInt() != 0)
                userOk = true;
        } else if (name == QLatin1String("users")) {
            if (!userOk && value.split(QLatin1Char(',')).contains(user))
                userOk = true;
        } else if (name == QLatin1String("desktop")) {
            if (value.toInt() != 0 && deviceType == Desktop)
                deviceOk = true;
        } else if (name == QLatin1String("phone")) {
            if (value.toInt() != 0 && deviceType == Phone)
                deviceOk = true;
        } else if (name == QLatin1String("tablet")) {
            if (value.toInt() != 0 && deviceType == Tablet)
                deviceOk = true;
        } else if (name == QLatin1String("orientation")) {
            orientation = value.toInt();
        } else if (name == QLatin1String("allScenes")) {
            if (value.toInt() != 0)
                sceneOk = true;
        } else if (name == QLatin1String("scenes")) {
            if (!sceneOk)
                sceneOk
                    = SceneInSceneString(value, GetCurrentSceneNumber(), QString::fromStdString(GetCurrentSceneName()));
        }
    }
    return userOk && deviceOk && sceneOk;
}

void cReplyWorkerThread::AppendResourceIds(const QList<QByteArray>& layout, std::set<int>& ids)
{
    for (const QByteArray& line : layout) {
        const QString text = QString::fromLatin1(line);
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

bool cReplyWorkerThread::SceneInSceneString(const QString& sceneList, UWORD sceneNumber, const QString& sceneName) const
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

qint64 cReplyWorkerThread::GetResourceSeekPositionsAndLength(
    QFile& file, std::set<int>& resourceIdsNeeded, QList<qint64>& positions)
{
    QList<qint64> lengths;
    return ScanResources(file, resourceIdsNeeded, positions, lengths);
}

qint64 cReplyWorkerThread::ScanResources(
    QFile& file, std::set<int>& resourceIdsNeeded, QList<qint64>& positions, QList<qint64>& lengths)
{
    qint64 length = 0;
    const qint64 size = file.size();
    qint64 at = file.pos();
    // Image lines run to megabytes: scanned in place in the mapped file rather than read line by line.
    if (uchar* map = size > 0 ? file.map(0, size) : nullptr) {
        const char* bytes = reinterpret_cast<const char*>(map);
        while (!resourceIdsNeeded.empty() && at < size) {
            const char* end = static_cast<const char*>(std::memchr(bytes + at, '\n', std::size_t(size - at)));
            const qint64 lineLength = end ? end - (bytes + at) + 1 : size - at;
            int id = 0;
            if (ResourceLineId(bytes + at, lineLength, id) && resourceIdsNeeded.erase(id) != 0) {
                positions.append(at);
                lengths.append(lineLength);
                length += lineLength;
            }
            at += lineLength;
        }
        file.unmap(map);
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

std::list<int> cReplyWorkerThread::GetMatchingLayoutIndices(const sRunnerInformItem& runner)
{
    std::list<int> indices;
    QMutexLocker fileLocker(mConfigFileMutex); // no-op without a shared file lock
    QFile file(mConfigFilePath);
    if (!file.exists() || file.size() == 0)
        return indices;
    if (!file.open(QIODevice::ReadOnly)) {
        ZU_ERR("Could not open quendle config file");
        return indices;
    }
    QList<QByteArray> head;
    GetDataUpToLayouts(file, head);
    QByteArray layoutText;
    std::set<int> resources;
    GetLayoutData(file, runner.mDeviceType, runner.mUserName, layoutText, resources, indices);
    return indices;
}

std::list<int> cReplyWorkerThread::GetCurrentLayoutIndices(const sRunnerInformItem& runner)
{
    std::list<int> indices;
    std::lock_guard<std::mutex> locker(mRunnerLayoutsMutex);
    const auto range = mRunnerLayouts.equal_range(std::make_pair(runner.mConnectionId, runner.mHandle));
    for (auto it = range.first; it != range.second; ++it)
        indices.push_back(it->second);
    return indices;
}

void cReplyWorkerThread::SendSceneChange(const sSceneChangedQueueItem& item)
{
    cZUNetMessage notice;
    for (const sRunnerInformItem& runner : item.mRunners) {
        if (GetMatchingLayoutIndices(runner) == GetCurrentLayoutIndices(runner))
            continue;
        notice.SetLength(0);
        notice.mConnectionId = runner.mConnectionId;
        notice.mDestination = runner.mHandle;
        notice.mSource = item.mManagerHandle;
        notice.mMethod = M_SCENE_CHANGED;
        SyscallSendMessage(notice);
    }
}

} // namespace Quendle
