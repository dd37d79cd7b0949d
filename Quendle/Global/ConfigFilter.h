#pragma once

#include "ZUNet/Core/ZUNetTypes.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QMap>
#include <QRegularExpression>
#include <QString>

#include <array>
#include <functional>
#include <list>
#include <set>
#include <string>
#include <vector>

namespace Quendle
{

/// Who a runner configuration is cut for.
struct sRunnerFilter {
    UBYTE mDeviceType = 0; // eDeviceTypes
    std::string mUserName;
    UWORD mSceneNumber = 0;
    QString mSceneName;
    std::set<int> mResourceIdsHeld;
};

/// The configuration one runner gets: `mMiddle`, then the resource lines at the recorded places
/// of the file, in file order, then `mTail`. Resources stay in the file until they are sent.
struct sRunnerConfigPlan {
    QByteArray mMiddle;
    int mHeadSize = 0; // the head (everything before `Layouts`) starts the middle
    QList<qint64> mResourcePositions;
    QList<qint64> mResourceLengths;
    QByteArray mTail;
    std::list<int> mLayoutIndices;
    bool mTopLevelTagFound = false;

    qint64 Size() const;
};

/// Cuts the stored configuration document down to what one runner may see: the head with other
/// units' passwords removed, the layouts for its device, user and scene, and the resources those
/// layouts name that it does not hold. Works line by line on the layout the editor writes (one
/// start tag per line, each `Resource` on one line, `Layouts` before `Resources`); any other text
/// is filtered as it comes. No threads, no network: the caller owns the file and its lock.
class cConfigFilter
{
public:
    /// Unit name -> address text of the units found on the network; asked at most once per plan.
    using tAddressTable = std::function<QMap<QString, QString>()>;

    explicit cConfigFilter(tAddressTable addresses = {});

    /// Reads `file` from its start. The file stays open for the resource lines.
    sRunnerConfigPlan PlanRunnerConfig(QIODevice& file, const sRunnerFilter& runner) const;
    /// The indices (counting every `Layout` of the file from 0) of the layouts `runner` would get.
    std::list<int> MatchingLayoutIndices(QIODevice& file, const sRunnerFilter& runner) const;
    /// The plan's bytes in one piece; false when a resource line cannot be read again.
    static bool Assemble(QIODevice& file, const sRunnerConfigPlan& plan, QByteArray& out);

    // The steps, in the order a plan takes them.
    bool GetTopLevelTag(QIODevice& file, QString& tag) const;
    void GetDataUpToLayouts(QIODevice& file, QList<QByteArray>& lines) const;
    QByteArray AddUnitIpAddressesAndRemovePasswords(const QList<QByteArray>& lines) const;
    void GetLayoutData(QIODevice& file, const sRunnerFilter& runner, QByteArray& layoutText,
        std::set<int>& resourceIdsNeeded, std::list<int>& layoutIndices) const;
    bool DoesLayoutDataMatch(const QByteArray& layout, const sRunnerFilter& runner, int& orientation) const;
    void AppendResourceIds(const QList<QByteArray>& layout, std::set<int>& ids) const;
    bool SceneInSceneString(const QString& sceneList, UWORD sceneNumber, const QString& sceneName) const;
    /// Records place and length of each needed resource line after the current position.
    qint64 GetResourceSeekPositionsAndLength(
        QIODevice& file, std::set<int>& resourceIdsNeeded, QList<qint64>& positions, QList<qint64>& lengths) const;

private:
    /// Where the resource lines of the last file scanned lie: a unit hands the same file to runner
    /// after runner, and without it each plan would read the megabytes of image data again to
    /// find where the lines end. Lines starting in [mFrom, mTo) are known; only those with a
    /// resource id are kept.
    struct sResourceIndex {
        struct sLine {
            qint64 mPosition;
            qint64 mLength;
            int mId;
        };
        std::array<qint64, 5> mIdentity {}; // device, inode, size, modification time (s, ns)
        qint64 mFrom = -1;
        qint64 mTo = -1;
        std::vector<sLine> mLines;
    };
    /// At most this many lines are kept; the scan goes on past them as without an index.
    static constexpr std::size_t kMostIndexedLines = 100000;
    /// The index for `file` from `at` on, made anew when the file is another or changed; null
    /// when the device is not a file.
    sResourceIndex* ResourceIndex(QIODevice& file, qint64 at) const;

    tAddressTable mAddresses;
    mutable sResourceIndex mIndex; // the filter is used on one thread only
    QRegularExpression mLayoutsStart;
    QRegularExpression mLayoutsEmpty;
    QRegularExpression mLayoutsEnd;
    QRegularExpression mLayoutWhole;
    QRegularExpression mLayoutStart;
    QRegularExpression mLayoutEnd;
    QRegularExpression mWidgetLine;
    QRegularExpression mResourceIdAttribute;
    QRegularExpression mUnitTag;
    QRegularExpression mPasswordAttribute;
    QRegularExpression mNameOrIpAddressAttribute;
    QRegularExpression mSceneToken;
    QRegularExpression mNumber;
};

/// The whole contents of `device` in memory without a copy where it can (a mapped file, a
/// buffer's array); null otherwise.
class cWholeBytes
{
public:
    explicit cWholeBytes(QIODevice& device);
    ~cWholeBytes();
    cWholeBytes(const cWholeBytes&) = delete;
    cWholeBytes& operator=(const cWholeBytes&) = delete;
    const char* Data() const { return mData; }
    qint64 Size() const { return mSize; }

private:
    QIODevice& mDevice;
    const char* mData = nullptr;
    qint64 mSize = 0;
    bool mMapped = false;
};

} // namespace Quendle
