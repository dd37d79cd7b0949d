#include "Quendle/AppCommon/ImageProvider.h"

#include <QPainter>
#include <QSvgRenderer>

#include <cmath>
#include <limits>

namespace
{

const QString kDefaultImageId = QStringLiteral("_default");
const QString kBuiltInPrefix = QStringLiteral("default_");
const QString kSvgSubtype = QStringLiteral("svg");

/// Truncates towards zero into a side of at least 1 px; huge or non-finite values are capped.
int Side(double value, int fallback)
{
    if (!std::isfinite(value))
        return fallback;
    if (value >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return std::max(1, int(value));
}

} // namespace

cImageProvider::cImageProvider(const cApplicationInterface& application)
    : QQuickImageProvider(QQuickImageProvider::Image)
    , mApplication(application)
{
}

const QString& cImageProvider::PreserveAspectFitOption()
{
    static const QString option = QStringLiteral("preserveAspectFit");
    return option;
}

QImage cImageProvider::DummyImage(QSize* size) const
{
    QImage image(20, 20, QImage::Format_ARGB32);
    image.fill(Qt::red);
    if (size)
        *size = image.size();
    return image;
}

QImage cImageProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize)
{
    QStringList options = id.split(QLatin1Char(':'));
    const QString imageId = options.takeFirst();

    if (imageId == kDefaultImageId) {
        QImage image(QStringLiteral(":/defaultImage"));
        if (size)
            *size = image.size();
        return image;
    }
    if (imageId.startsWith(kBuiltInPrefix)) {
        QSvgRenderer renderer(QStringLiteral(":/") + imageId);
        return GetSvgImage(renderer, size, requestedSize, options);
    }

    const cImageSource* source = mApplication.CurrentImageSource();
    sImageData data;
    if (!source || !source->FindImageData(imageId, data))
        return DummyImage(size);
    if (data.mSubtype != kSvgSubtype) {
        if (data.mImage.width() <= 0)
            return DummyImage(size);
        if (size)
            *size = data.mImage.size();
        return data.mImage;
    }
    if (data.mRawData.isEmpty())
        return DummyImage(size);
    QSvgRenderer renderer(data.mRawData);
    return GetSvgImage(renderer, size, requestedSize, options);
}

QImage cImageProvider::GetSvgImage(
    QSvgRenderer& renderer, QSize* size, const QSize& requestedSize, const QStringList& options)
{
    if (requestedSize.width() < 1 || requestedSize.height() < 1)
        return DummyImage(size);

    QSize target = requestedSize;
    if (options.contains(PreserveAspectFitOption())) {
        // An empty view box has no proportions to keep: such an image fills the requested box.
        const QRectF viewBox = renderer.viewBoxF();
        const float ratio = float(viewBox.height()) / float(viewBox.width());
        if (viewBox.width() > 0 && viewBox.height() > 0 && std::isfinite(ratio) && ratio > 0) {
            const int h = Side(double(requestedSize.width()) * double(ratio), requestedSize.height());
            if (requestedSize.height() < h)
                target = QSize(Side(double(requestedSize.height()) / double(ratio), requestedSize.width()),
                    requestedSize.height());
            else
                target = QSize(requestedSize.width(), h);
        }
    }

    if (target.width() > kMaxRenderedSide || target.height() > kMaxRenderedSide)
        target = target.scaled(kMaxRenderedSide, kMaxRenderedSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));

    QImage image(target, QImage::Format_ARGB32);
    if (image.isNull())
        return DummyImage(size);
    image.fill(0);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    if (size)
        *size = image.size();
    return image;
}
