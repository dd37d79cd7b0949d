#pragma once

#include "Quendle/AppCommon/ImageSource.h"
#include "Quendle/AppCommon/Resource.h"

#include <QByteArray>
#include <QColor>
#include <QImage>

/// One image of a configuration: a decoded bitmap, or for subtype "svg" the SVG text.
class cImageResource : public cResource
{
    Q_OBJECT
    Q_PROPERTY(int originalWidth READ originalWidth NOTIFY originalWidthChanged)
    Q_PROPERTY(int originalHeight READ originalHeight NOTIFY originalHeightChanged)

public:
    cImageResource(QObject* parent, const QString& resourceId, const QString& name, QImage image, QByteArray rawData,
        QString subtype, const QString& group, const QStringList& tags, bool recolourable, QColor recolourableColour,
        const cConfigBase* config);

    static const QString& Type();
    static const QString& SvgSubtype();
    /// The "Size in config" text for raw data of that many bytes (the length of its Base64 text).
    static QString SizeInConfigText(qint64 rawDataSize);

    QString type() const override { return Type(); }
    void WriteXml(QXmlStreamWriter& writer, bool writeIds) const override;

    int originalWidth() const { return mImage.width(); }
    int originalHeight() const { return mImage.height(); }
    const QString& Subtype() const { return mSubtype; }
    const QImage& Image() const { return mImage; }
    const QByteArray& RawData() const { return mRawData; }
    bool Recolourable() const { return mRecolourable; }
    QColor RecolourableColour() const { return mRecolourableColour; }
    sImageData ImageData() const { return { mSubtype, mImage, mRawData }; }

Q_SIGNALS:
    void originalWidthChanged();
    void originalHeightChanged();

private:
    QString mSubtype;
    QImage mImage;
    QByteArray mRawData;
    cStringProperty* mSourceSizeProperty;
    cStringProperty* mSizeInConfigProperty;
    bool mRecolourable;
    QColor mRecolourableColour;
};
