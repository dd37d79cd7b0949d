#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <cstdint>
#include <limits>
#include <mutex>

class QThread;

/// Process-wide timing profiler. Its per-name operations are empty in this build; the per-entry
/// timer and the duration formatters work.
class cHeavyProfile
{
public:
    /// The timing of one named section, safe to use from several threads at once.
    class cHeavyProfileEntry
    {
    public:
        struct sStatistics {
            std::uint64_t mOverlapCount = 0;
            std::uint64_t mCallCount = 0;
            std::int64_t mMin = std::numeric_limits<std::int64_t>::max();
            std::int64_t mMax = 0;
            std::int64_t mTotal = 0;
            std::int64_t mLast = 0;
            int mActiveThreads = 0;
        };

        /// Opens a section on the calling thread; true when none was open on it before.
        bool Start();
        /// Closes the calling thread's section at `endTime` (milliseconds since the epoch).
        void End(std::int64_t endTime);
        void Print();

        sStatistics Statistics() const;
        /// Open starts of the calling thread.
        std::int64_t Depth() const;

    private:
        std::uint64_t mOverlapCount = 0;
        std::uint64_t mCallCount = 0;
        QHash<QThread*, std::int64_t> mDepth;
        QHash<QThread*, std::int64_t> mStartTimes;
        QList<QThread*> mActiveThreads;
        std::int64_t mMin = std::numeric_limits<std::int64_t>::max();
        std::int64_t mMax = 0;
        std::int64_t mTotal = 0;
        std::int64_t mLast = 0;
        mutable std::mutex mLock;
    };

    static cHeavyProfile* Instance();
    static void DeleteInstance();

    /// Records the calling thread as the main thread, unless one is recorded.
    void SetMainThread();
    bool IsMainThread();

    static QString ConvertLongTimeToString(std::int64_t milliseconds);
    static QString ConvertNanoSecondTimeToString(std::int64_t nanoseconds);

    void Start(const QString&) { }
    void End(const QString&) { }
    void Print(const QString&) { }
    void Reset(const QString&) { }
    void LogPrecisionEntry(const QString&, std::int64_t) { }
    void PrintPrecisionEntry(const QString&) { }
    void ResetPrecisionEntry(const QString&) { }
    void ResetAllPrecisionEntry() { }
    void PrintAllPrecisionEntry() { }
    QString RecordConstructor(QString name) { return name; }
    void RecordDestructor(const QString&) { }
    void PrintAllUnevenCalls() { }
    void RegisterCurrentThread(const QString&) { }
    void RegisterThread(QThread*, const QString&) { }
    bool IsThreadRegistered(QThread*) { return false; }
    bool IsCurrentThreadRegistered() { return false; }
    QString GetThreadDescription(QThread*) { return QString(); }
    QString GetCurrentThreadDescription() { return QString(); }

private:
    cHeavyProfile() = default;

    std::mutex mLock;
    QThread* mMainThread = nullptr;
};
