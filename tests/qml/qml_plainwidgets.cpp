// The plain widgets' views with the layer's real registration, drawn for real: a configuration with
// two images (one recolourable), the real image provider serving them, and the application as the
// views see it (`_application.currentConfig`).

#include "Quendle/AppCommon/ImageProvider.h"
#include "Quendle/AppCommon/QuendleFonts.h"
#include "Quendle/Widgets/WidgetsQml.h"
#include "tests/Quendle/Widgets/TestWidgetFactory.h"
#include "tests/support/QuickTestMain.h"
#include "tests/support/quendle/TestConfig.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QQmlContext>
#include <QQmlEngine>
#include <QVariantList>
#include <QtQml>

namespace
{

QByteArray PngBase64(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toBase64();
}

// Image 1: left half red (the colour to recolour), right half grey. Image 2: plain blue, not
// recolourable.
QByteArray ResourcesDocument()
{
    QImage tinted(40, 40, QImage::Format_ARGB32);
    tinted.fill(QColor("#808080"));
    QPainter painter(&tinted);
    painter.fillRect(0, 0, 20, 40, QColor("#ff0000"));
    painter.end();
    QImage plain(40, 40, QImage::Format_ARGB32);
    plain.fill(QColor("#1030e0"));
    return "<QuendleConfig><Resources>"
           "<Resource id=\"1\" type=\"image\" name=\"tinted\" subtype=\"png\" recolourableColour=\"#ff0000\">"
        + PngBase64(tinted) + "</Resource><Resource id=\"2\" type=\"image\" name=\"plain\" subtype=\"png\">"
        + PngBase64(plain) + "</Resource></Resources></QuendleConfig>";
}

/// `_application` as the widget views use it.
class cViewApplication : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject* currentConfig READ currentConfig CONSTANT)
    Q_PROPERTY(QStringList fontCodes READ fontCodes CONSTANT)

public:
    cViewApplication()
        : mConfig(&mApplication)
    {
        if (!mConfig.ReadDocument(ResourcesDocument()))
            qFatal("test configuration not read");
    }
    // The widgets go before the configuration they were read with.
    ~cViewApplication() override { qDeleteAll(findChildren<cWidget*>(QString(), Qt::FindDirectChildrenOnly)); }

    QObject* currentConfig() { return &mConfig; }
    QStringList fontCodes() const { return cQuendleFonts::mFontCodesToNames.keys(); }
    const cApplicationInterface& Interface() const { return mApplication; }

    /// Builds the `Widget` children of a layout document; they live as long as this object.
    Q_INVOKABLE QVariantList load(const QString& document)
    {
        return mFactory.ReadLayoutForQml(document, mConfig, this);
    }

    /// As the configuration does when the image behind an id is replaced.
    Q_INVOKABLE void changeResource(const QString& id) { Q_EMIT mConfig.ResourceChanged(id); }

private:
    cTestApplication mApplication;
    cTestConfig mConfig;
    cTestWidgetFactory mFactory;
};

} // namespace

void RegisterQuickTestTypes(QQmlEngine* engine)
{
    Quendle::RegisterWidgetsQmlTypes();
    // One per engine, deleted after it: the engine's image provider and context refer to it.
    auto* application = new cViewApplication;
    QObject::connect(engine, &QObject::destroyed, [application] { delete application; });
    engine->rootContext()->setContextProperty(QStringLiteral("_application"), application);
    engine->addImageProvider(QStringLiteral("imageProvider"), new cImageProvider(application->Interface()));
}

#include "qml_plainwidgets.moc"
