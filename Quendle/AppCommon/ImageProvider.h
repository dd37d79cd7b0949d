#pragma once

#include "Quendle/AppCommon/ImageSource.h"

#include <QQuickImageProvider>
#include <QStringList>

class QSvgRenderer;

/// Serves "image://imageProvider/<id>[:option...]": the built-in "_default" and "default_..."
/// images of the application's resources, and the images of the current configuration. SVGs are
/// rendered at the requested size ("preserveAspectFit" keeps their proportions); bitmaps come at
/// their own size. Anything that cannot be served gives the red placeholder. Recolouring is the
/// widgets' business (a shader), not the provider's.
class cImageProvider : public QQuickImageProvider
{
public:
    explicit cImageProvider(const cApplicationInterface& application);

    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;
    QImage GetSvgImage(QSvgRenderer& renderer, QSize* size, const QSize& requestedSize, const QStringList& options);
    QImage DummyImage(QSize* size) const;

    static const QString& PreserveAspectFitOption();

    /// No SVG is rendered wider or higher than an 8K screen: the views ask for no more than their
    /// window, and a larger request (a widget many pages wide) only holds memory nobody sees.
    static constexpr int kMaxRenderedSide = 8192;

private:
    const cApplicationInterface& mApplication;
};
