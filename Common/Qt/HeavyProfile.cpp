#include "Common/Qt/HeavyProfile.h"

#include "ZUNet/Core/Trace.h"

#include <QDateTime>
#include <QThread>

#include <algorithm>
#include <atomic>

namespace
{

std::mutex gHeavyProfileMutex;
std::atomic<cHeavyProfile*> gHeavyProfile { nullptr };

struct sUnit {
    std::int64_t mSize;
    const char* mText;
};

QString DurationText(std::int64_t value, const sUnit* units, int count, const char* last)
{
    QString text;
    for (int i = 0; i < count; ++i) {
        if (value >= units[i].mSize) {
            text += QString::fromLatin1(units[i].mText).arg(value / units[i].mSize);
            value %= units[i].mSize;
        }
    }
    return text + QString::fromLatin1(last).arg(value);
}

} // namespace

cHeavyProfile* cHeavyProfile::Instance()
{
    cHeavyProfile* instance = gHeavyProfile.load();
    if (instance)
        return instance;
    std::lock_guard<std::mutex> locker(gHeavyProfileMutex);
    instance = gHeavyProfile.load();
    if (!instance) {
        instance = new cHeavyProfile();
        gHeavyProfile.store(instance);
    }
    return instance;
}

void cHeavyProfile::DeleteInstance()
{
    cHeavyProfile* instance = nullptr;
    {
        std::lock_guard<std::mutex> locker(gHeavyProfileMutex);
        instance = gHeavyProfile.exchange(nullptr);
    }
    delete instance;
}

void cHeavyProfile::SetMainThread()
{
    std::lock_guard<std::mutex> locker(mLock);
    if (!mMainThread)
        mMainThread = QThread::currentThread();
}

bool cHeavyProfile::IsMainThread()
{
    std::lock_guard<std::mutex> locker(mLock);
    return mMainThread == QThread::currentThread();
}

QString cHeavyProfile::ConvertLongTimeToString(std::int64_t milliseconds)
{
    static const sUnit kUnits[] = {
        { 604800000, "%1weeks " },
        { 86400000, "%1days " },
        { 3600000, "%1hours " },
        { 60000, "%1min " },
        { 1000, "%1sec " },
    };
    return DurationText(milliseconds, kUnits, 5, "%1ms");
}

QString cHeavyProfile::ConvertNanoSecondTimeToString(std::int64_t nanoseconds)
{
    static const sUnit kUnits[] = {
        { 60000000000, "%1min " },
        { 1000000000, "%1sec " },
        { 1000000, "%1ms " },
        { 1000, "%1us " },
    };
    return DurationText(nanoseconds, kUnits, 4, "%1ns");
}

bool cHeavyProfile::cHeavyProfileEntry::Start()
{
    QThread* thread = QThread::currentThread();
    std::lock_guard<std::mutex> locker(mLock);
    std::int64_t& depth = mDepth[thread];
    const bool first = depth == 0;
    ++depth;
    ++mCallCount;
    if (!mActiveThreads.isEmpty())
        ++mOverlapCount;
    mActiveThreads.append(thread);
    mStartTimes.insert(thread, QDateTime::currentMSecsSinceEpoch());
    return first;
}

void cHeavyProfile::cHeavyProfileEntry::End(std::int64_t endTime)
{
    QThread* thread = QThread::currentThread();
    std::lock_guard<std::mutex> locker(mLock);
    const auto start = mStartTimes.constFind(thread);
    if (start == mStartTimes.constEnd()) {
        ZU_ERR("End called before start");
        return;
    }
    const std::int64_t elapsed = endTime - start.value();
    mMin = std::min(mMin, elapsed);
    mMax = std::max(mMax, elapsed);
    mTotal += elapsed;
    mLast = elapsed;
    mActiveThreads.removeOne(thread);
    mStartTimes.remove(thread);
    // Without this every later section of the thread would count as nested.
    const auto depth = mDepth.find(thread);
    if (depth != mDepth.end() && --depth.value() <= 0)
        mDepth.erase(depth);
}

void cHeavyProfile::cHeavyProfileEntry::Print()
{
    std::lock_guard<std::mutex> locker(mLock);
}

cHeavyProfile::cHeavyProfileEntry::sStatistics cHeavyProfile::cHeavyProfileEntry::Statistics() const
{
    std::lock_guard<std::mutex> locker(mLock);
    sStatistics statistics;
    statistics.mOverlapCount = mOverlapCount;
    statistics.mCallCount = mCallCount;
    statistics.mMin = mMin;
    statistics.mMax = mMax;
    statistics.mTotal = mTotal;
    statistics.mLast = mLast;
    statistics.mActiveThreads = mActiveThreads.size();
    return statistics;
}

std::int64_t cHeavyProfile::cHeavyProfileEntry::Depth() const
{
    std::lock_guard<std::mutex> locker(mLock);
    return mDepth.value(QThread::currentThread(), 0);
}
