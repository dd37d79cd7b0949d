#include "tests/qml/ViewApplication.h"

#include "Quendle/AppCommon/ImageProvider.h"
#include "Quendle/AppCommon/QuendleFonts.h"
#include "Quendle/Runner/WidgetFactory.h"
#include "Quendle/Widgets/Base/Container.h"
#include "Quendle/Widgets/WidgetsQml.h"
#include "tests/support/quendle/WidgetTestKit.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QQmlContext>
#include <QQmlEngine>
#include <QtQml>

#include <memory>

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

/// Records what the content page asks of the platform.
class cFakeMainActivity : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QVariantList lockCalls MEMBER mLockCalls NOTIFY lockCallsChanged)

public:
    Q_INVOKABLE void lockOrientation(bool lock, bool portrait)
    {
        mLockCalls.append(QVariant(QVariantList { lock, portrait }));
        Q_EMIT lockCallsChanged();
    }

Q_SIGNALS:
    void lockCallsChanged();

private:
    QVariantList mLockCalls;
};

} // namespace

cViewLayout::cViewLayout(QObject* parent, int orientation, bool fixedAspectRatio, float aspectRatio)
    : QObject(parent)
    , mWidgets(new QQmlObjectListModel<cWidget>(this))
    , mOrientation(orientation)
    , mFixedAspectRatio(fixedAspectRatio)
    , mAspectRatio(aspectRatio)
{
}

cViewLayout::~cViewLayout()
{
    qDeleteAll(findChildren<cWidget*>(QString(), Qt::FindDirectChildrenOnly));
}

int cViewLayout::getTotalNumWidgets() const
{
    QList<cWidget*> all;
    for (cWidget* widget : mWidgets->toList()) {
        all.append(widget);
        if (auto* container = qobject_cast<cContainer*>(widget))
            container->GetAllChildren(all);
    }
    return all.count();
}

cViewConfig::cViewConfig(cTestApplication* application)
    : cTestConfig(application)
    , mLayouts(new QQmlObjectListModel<cViewLayout>(this))
    , mConnectionInterface(new cViewConnectionInterface(this))
{
    if (!ReadDocument(ResourcesDocument()))
        qFatal("view test configuration not read");
}

cViewApplication::cViewApplication()
    : mConfig(&mApplication)
{
}

cViewApplication::~cViewApplication()
{
    clearLayouts();
    // The widgets `load` made go before the configuration they were read with.
    qDeleteAll(findChildren<cWidget*>(QString(), Qt::FindDirectChildrenOnly));
}

QStringList cViewApplication::fontCodes() const
{
    return cQuendleFonts::mFontCodesToNames.keys();
}

QStringList cViewApplication::builtTypes() const
{
    QStringList types;
    const auto& files = cRunnerWidgetFactory::QmlFilesByType();
    for (auto row = files.cbegin(); row != files.cend(); ++row) {
        const std::unique_ptr<cWidget> widget(cRunnerWidgetFactory::CreateWidget(row.key(), 1, mConfig, nullptr));
        if (qobject_cast<cUnknownWidget*>(widget.get()) == nullptr)
            types.append(row.key());
    }
    return types;
}

QString cViewApplication::getQmlUrlForType(const QString& type) const
{
    const QVariant url = mQmlUrls.value(type, mQmlUrls.value(QStringLiteral("*")));
    if (url.isValid())
        return url.toUrl().toString();
    return cRunnerWidgetFactory::QmlUrlForType(type);
}

QUrl cViewApplication::viewUrl(const QString& type) const
{
    return QUrl(QStringLiteral("qrc:/ContentPage.qml")).resolved(QUrl(getQmlUrlForType(type)));
}

QList<cWidget*> cViewApplication::Read(const QString& document, QObject* parent)
{
    const QList<cWidget*> widgets = WidgetTest::ReadLayout(cRunnerWidgetFactory(), document, mConfig, parent);
    // QML only borrows them; containers' children included.
    for (cWidget* widget : parent->findChildren<cWidget*>())
        QQmlEngine::setObjectOwnership(widget, QQmlEngine::CppOwnership);
    return widgets;
}

QVariantList cViewApplication::load(const QString& document)
{
    QVariantList widgets;
    for (cWidget* widget : Read(document, this))
        widgets.append(QVariant::fromValue(static_cast<QObject*>(widget)));
    return widgets;
}

QObject* cViewApplication::addLayout(
    int orientation, bool fixedAspectRatio, double aspectRatio, const QString& widgetsXml)
{
    auto* layout = new cViewLayout(&mConfig, orientation, fixedAspectRatio, float(aspectRatio));
    QQmlEngine::setObjectOwnership(layout, QQmlEngine::CppOwnership);
    for (cWidget* widget : Read(QStringLiteral("<Layout>") + widgetsXml + QStringLiteral("</Layout>"), layout))
        layout->WidgetList()->append(widget);
    mConfig.LayoutList()->append(layout);
    return layout;
}

void cViewApplication::clearLayouts()
{
    const QList<cViewLayout*> layouts = mConfig.LayoutList()->toList();
    mConfig.LayoutList()->clear();
    qDeleteAll(layouts);
}

QObject* cViewApplication::findWidget(int layoutIndex, int widgetId) const
{
    cViewLayout* layout = mConfig.LayoutList()->at(layoutIndex);
    if (layout == nullptr)
        return nullptr;
    for (cWidget* widget : layout->findChildren<cWidget*>()) {
        if (widget->widgetId() == widgetId)
            return widget;
    }
    return nullptr;
}

int cViewApplication::completionItemCount() const
{
    int count = 0;
    for (cViewLayout* layout : mConfig.LayoutList()->toList()) {
        for (cWidget* widget : layout->findChildren<cWidget*>())
            count += widget->CompletionItems().count();
    }
    return count;
}

void RegisterViewTestTypes(QQmlEngine* engine)
{
    Quendle::RegisterWidgetsQmlTypes();
    // One per engine, deleted after it: the engine's image provider and context refer to it.
    auto* application = new cViewApplication;
    QObject::connect(engine, &QObject::destroyed, [application] { delete application; });
    engine->rootContext()->setContextProperty(QStringLiteral("_application"), application);
    engine->addImageProvider(QStringLiteral("imageProvider"), new cImageProvider(application->Interface()));
    qmlRegisterSingletonType<cFakeMainActivity>("MainActivitySingleton", 1, 0, "MainActivity",
        [](QQmlEngine*, QJSEngine*) -> QObject* { return new cFakeMainActivity; });
}

#include "ViewApplication.moc"
