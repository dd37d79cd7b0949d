#pragma once

#include "Quendle/AppCommon/ConfigUnit.h"
#include "Quendle/AppCommon/ImageResource.h"
#include "Quendle/AppCommon/ImageSource.h"
#include "Quendle/AppCommon/QQmlObjectListModel.h"
#include "Quendle/Properties/ImageResourceHost.h"

#include <QColor>
#include <QFuture>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QVector>

#include "ZUNet/Core/ZUNetTypes.h"

#include <array>
#include <atomic>
#include <vector>

class QXmlStreamReader;
class cQmlUnit;

/// The in-memory model of one layout configuration: its units, its resources (images), its
/// version text and whether that version is newer than this application understands. The
/// runner's configuration reads the root and the layouts and calls the readers here for the
/// `Units` and `Resources` elements. Units and resources are children of the configuration, not of
/// their lists. GUI thread only, except `FindImageData`, which the image provider calls from its
/// own threads.
class cConfigBase : public cImageResourceHost, public cImageSource
{
    Q_OBJECT
    Q_PROPERTY(QString version READ version NOTIFY versionStringChanged)
    Q_PROPERTY(QQmlObjectListModel<cResource>* resources READ resources CONSTANT)
    Q_PROPERTY(QQmlObjectListModel<cConfigUnit>* units READ units CONSTANT)
    Q_PROPERTY(bool configVersionIsNewer READ configVersionIsNewer NOTIFY configVersionIsNewerChanged)

public:
    cConfigBase(QObject* parent, cApplicationInterface* application);
    ~cConfigBase() override;

    virtual cConnectionUnit* GetUnit(int unitId) const = 0;
    virtual bool IsEditorConfig() const = 0;
    virtual bool IsUnitPropertyShown() const { return false; }
    virtual void SpareHook() { }
    virtual QString MapResourceId(const QString& id) { return id; }
    /// The id a widget's image property stores for an image id read from a layout attribute.
    virtual QString ConvertImageId(const QString& id) const { return id; }
    virtual void ReadOtherResourceXml(
        QXmlStreamReader& reader, const QString& id, const QString& type, const QString& name, bool isDefault);
    virtual int InsertNewResource(cResource* resource);
    /// The index the unit went to, or -1 when it was refused (the caller still owns it).
    virtual int InsertNewUnit(cConfigUnit* unit);
    virtual void SetUnitPassword(cConfigUnit* unit, QByteArray password) { }

    QString version() const { return mVersion; }
    QQmlObjectListModel<cResource>* resources() const { return mResources; }
    QQmlObjectListModel<cConfigUnit>* units() const { return mUnits; }
    bool configVersionIsNewer() const { return mConfigVersionIsNewer; }
    cApplicationInterface* Application() const { return mApplication; }

    void Reset(bool resetResources);
    int GetNextResourceId() { return mNextResourceId++; }
    int GetNextUnitId() { return mNextUnitId++; }
    void SetConfigVersionIsNewer(bool isNewer);
    /// Stores the version text (the root reader's job); emits `versionStringChanged`.
    void SetVersionString(const QString& version);
    bool ValidateVersionStringSetIsNewer(const QString& version);
    static bool VersionIsMultiUnitVersion(const QString& version);
    static QString CCReleaseVersion();
    static std::array<UBYTE, 3> CCReleaseVersionArray();

    void ReadResourcesXml(QXmlStreamReader& reader, bool dropRawBitmapData);
    void ReadResourceGroupXml(QXmlStreamReader& reader, bool dropRawBitmapData);
    void ReadResourceXml(QXmlStreamReader& reader, bool dropRawBitmapData, const QString& group);
    void ReadUnitsFromXml(QXmlStreamReader& reader);

    /// The id of the unit made from the primary unit, or -1 when there is no primary unit or the
    /// unit was refused.
    int AddDefaultUnitFromPrimary();
    cImageResource* GetImageResource(const QString& id) const;
    bool FindImageData(const QString& id, sImageData& data) const override;

    Q_INVOKABLE QString qmlUnitToUnitType(cQmlUnit* QmlUnit);
    Q_INVOKABLE bool isImageRecolourable(QString ImageId);
    Q_INVOKABLE QColor getRecolourableColour(QString ImageId);

    /// Images larger than this many pixels are refused while reading.
    static constexpr qint64 kMaxImagePixels = qint64(64) * 1024 * 1024;
    /// What the decoded bitmaps of one configuration may hold together: sixty full-HD screens, two
    /// images at the pixel limit; past it a few hundred tiny files could claim gigabytes.
    static constexpr qint64 kMaxDecodedImageBytes = qint64(512) * 1024 * 1024;

Q_SIGNALS:
    void configVersionIsNewerChanged();
    void versionStringChanged();
    void ResourceNameChanged();
    void UnitsListChanged();
    void multiUnitConfigChanged();

private:
    /// An image element read, its bitmap perhaps still decoding.
    struct sPendingImage {
        QString mId;
        QString mName;
        QByteArray mBytes;
        QString mSubtype;
        QString mGroup;
        QStringList mTags;
        bool mRecolourable;
        QColor mRecolourableColour;
        QFuture<QImage> mDecoded;
    };
    void ReadResourceChildren(QXmlStreamReader& reader, bool dropRawBitmapData);
    void FinishImage(sPendingImage& pending, const QImage& image, bool dropRawBitmapData);
    /// The bytes the decoded bitmaps of the resource list hold.
    qint64 DecodedImageBytes() const;

    struct sImageEntry {
        QString mId;
        bool mIsImage = false;
        sImageData mData;
    };
    static sImageEntry EntryFor(cResource* resource);
    void ResourceRowsInserted(int first, int last);
    void ResourceRowsRemoved(int first, int last);
    void ResourceRowsMoved(int first, int last, int destination);
    void RebuildImageEntries();

    cApplicationInterface* mApplication;
    QString mVersion;
    QQmlObjectListModel<cResource>* mResources;
    QQmlObjectListModel<cConfigUnit>* mUnits;
    int mNextResourceId = 0;
    int mNextUnitId = 0;
    bool mConfigVersionIsNewer = false;
    /// Set while a `Resources` element is read: its images, in document order.
    std::vector<sPendingImage>* mPendingImages = nullptr;
    /// Set while a `Resources` element is read: the decoded bytes its bitmaps may still take.
    std::atomic<qint64>* mImageBytesLeft = nullptr;
    /// Decodes bitmaps; its threads end with the configuration, not at program exit, where they
    /// met the leak checker.
    QThreadPool mDecodePool;

    /// The images in resource-list order, for the image provider's threads.
    mutable QMutex mImageLock;
    QVector<sImageEntry> mImageEntries;
};
