#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

/// One image of a configuration as the image provider needs it: implicitly shared copies, so a
/// reader on another thread keeps its data when the resource itself is deleted.
struct sImageData {
    QString mSubtype;
    QImage mImage;
    QByteArray mRawData;
};

/// Where the image provider finds configuration images by id. Called from the QML engine's
/// image-loading threads while the GUI thread may change the configuration.
class cImageSource
{
public:
    virtual ~cImageSource() = default;
    /// Copies the image with that id into `data`; false when there is none.
    virtual bool FindImageData(const QString& id, sImageData& data) const = 0;
};

class cConnectionUnit;
class cFoundUnitsManager;

/// What this folder needs of the application that owns the configuration and the primary unit.
class cApplicationInterface
{
public:
    virtual ~cApplicationInterface() = default;
    /// The unit the user picked and signed in to; null before that.
    virtual cConnectionUnit* PrimaryUnit() const = 0;
    /// The images of the current configuration; null when there is none.
    virtual const cImageSource* CurrentImageSource() const = 0;
};
