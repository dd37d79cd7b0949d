// The content page with the widget layer's real registration and real widgets read from XML, held by a
// small fake application: layouts with orientation and aspect, a connection interface whose state the
// tests set, a type-to-view table the tests fill, and a recording stand-in for the platform
// singleton.

#include "Quendle/Widgets/Base/Container.h"
#include "Quendle/Widgets/WidgetsQml.h"
#include "tests/Quendle/Widgets/TestWidgetFactory.h"
#include "tests/support/QuickTestMain.h"
#include "tests/support/quendle/TestConfig.h"

#include <QPointer>
#include <QQmlContext>
#include <QQmlEngine>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml>

namespace
{

class cFakeConnectionInterface : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool lostCommsLowTTL MEMBER mLostCommsLowTTL NOTIFY lostCommsLowTTLChanged)
    Q_PROPERTY(bool allUnitsConnectedAndAuthenticated MEMBER mAllUnitsConnectedAndAuthenticated NOTIFY
            allUnitsConnectedAndAuthenticatedChanged)

public:
    using QObject::QObject;

Q_SIGNALS:
    void lostCommsLowTTLChanged();
    void allUnitsConnectedAndAuthenticatedChanged();

private:
    bool mLostCommsLowTTL = false;
    bool mAllUnitsConnectedAndAuthenticated = true;
};

class cFakeLayout : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject* widgets READ widgets CONSTANT)
    Q_PROPERTY(int orientation MEMBER mOrientation CONSTANT)
    Q_PROPERTY(bool fixedAspectRatio MEMBER mFixedAspectRatio CONSTANT)
    Q_PROPERTY(float aspectRatio MEMBER mAspectRatio CONSTANT)

public:
    cFakeLayout(QObject* parent, int orientation, bool fixedAspectRatio, float aspectRatio)
        : QObject(parent)
        , mWidgets(new QQmlObjectListModel<cWidget>(this))
        , mOrientation(orientation)
        , mFixedAspectRatio(fixedAspectRatio)
        , mAspectRatio(aspectRatio)
    {
    }
    // The widgets go before the list that names them.
    ~cFakeLayout() override { qDeleteAll(findChildren<cWidget*>(QString(), Qt::FindDirectChildrenOnly)); }

    QObject* widgets() const { return mWidgets; }
    QQmlObjectListModel<cWidget>* WidgetList() const { return mWidgets; }

    Q_INVOKABLE int getTotalNumWidgets() const
    {
        QList<cWidget*> all;
        for (cWidget* widget : mWidgets->toList()) {
            all.append(widget);
            if (auto* container = qobject_cast<cContainer*>(widget))
                container->GetAllChildren(all);
        }
        return all.count();
    }

private:
    QQmlObjectListModel<cWidget>* mWidgets;
    int mOrientation;
    bool mFixedAspectRatio;
    float mAspectRatio;
};

class cFakeConfig : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject* layouts READ layouts CONSTANT)
    Q_PROPERTY(QObject* connectionInterface READ connectionInterface CONSTANT)

public:
    explicit cFakeConfig(QObject* parent)
        : QObject(parent)
        , mLayouts(new QQmlObjectListModel<cFakeLayout>(this))
        , mConnectionInterface(new cFakeConnectionInterface(this))
    {
    }

    QObject* layouts() const { return mLayouts; }
    QObject* connectionInterface() const { return mConnectionInterface; }
    QQmlObjectListModel<cFakeLayout>* LayoutList() const { return mLayouts; }

private:
    QQmlObjectListModel<cFakeLayout>* mLayouts;
    cFakeConnectionInterface* mConnectionInterface;
};

class cFakeApplication : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject* currentConfig READ currentConfig CONSTANT)
    Q_PROPERTY(bool isDesktop MEMBER mIsDesktop NOTIFY isDesktopChanged)
    Q_PROPERTY(QVariantMap qmlUrls MEMBER mQmlUrls NOTIFY qmlUrlsChanged)

public:
    cFakeApplication()
        : mWidgetConfig(&mWidgetApplication)
        , mConfig(new cFakeConfig(this))
    {
    }
    ~cFakeApplication() override { clearLayouts(); }

    QObject* currentConfig() const { return mConfig; }

    /// The view of a type from the tests' table; a type not in it gets the table's "*" entry.
    Q_INVOKABLE QUrl getQmlUrlForType(const QString& type) const
    {
        return mQmlUrls.value(type, mQmlUrls.value(QStringLiteral("*"))).toUrl();
    }

    /// The tab container's captions ask for a font; the default font serves.
    Q_INVOKABLE QString fontCodeToName(const QString&) const { return QString(); }

    /// Appends a layout whose widgets are the `Widget` elements of `widgetsXml`.
    Q_INVOKABLE QObject* addLayout(
        int orientation, bool fixedAspectRatio, double aspectRatio, const QString& widgetsXml)
    {
        auto* layout = new cFakeLayout(mConfig, orientation, fixedAspectRatio, float(aspectRatio));
        QQmlEngine::setObjectOwnership(layout, QQmlEngine::CppOwnership);
        const QList<cWidget*> widgets = mFactory.ReadLayout(
            QStringLiteral("<Layout>") + widgetsXml + QStringLiteral("</Layout>"), mWidgetConfig, layout);
        for (cWidget* widget : layout->findChildren<cWidget*>())
            QQmlEngine::setObjectOwnership(widget, QQmlEngine::CppOwnership);
        for (cWidget* widget : widgets)
            layout->WidgetList()->append(widget);
        mConfig->LayoutList()->append(layout);
        return layout;
    }

    /// Deletes every layout and its widgets at once, as a configuration reset does.
    Q_INVOKABLE void clearLayouts()
    {
        const QList<cFakeLayout*> layouts = mConfig->LayoutList()->toList();
        mConfig->LayoutList()->clear();
        qDeleteAll(layouts);
    }

    /// The widget of that id in a layout, containers' children included.
    Q_INVOKABLE QObject* findWidget(int layoutIndex, int widgetId) const
    {
        cFakeLayout* layout = mConfig->LayoutList()->at(layoutIndex);
        if (layout == nullptr)
            return nullptr;
        for (cWidget* widget : layout->findChildren<cWidget*>()) {
            if (widget->widgetId() == widgetId)
                return widget;
        }
        return nullptr;
    }

    /// How many completion items all widgets of all layouts hold.
    Q_INVOKABLE int completionItemCount() const
    {
        int count = 0;
        for (cFakeLayout* layout : mConfig->LayoutList()->toList()) {
            for (cWidget* widget : layout->findChildren<cWidget*>())
                count += widget->CompletionItems().count();
        }
        return count;
    }

Q_SIGNALS:
    void isDesktopChanged();
    void qmlUrlsChanged();

private:
    cTestApplication mWidgetApplication;
    cTestConfig mWidgetConfig;
    cTestWidgetFactory mFactory;
    cFakeConfig* mConfig;
    bool mIsDesktop = false;
    QVariantMap mQmlUrls;
};

/// Records what the page asks of the platform.
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

void RegisterQuickTestTypes(QQmlEngine* engine)
{
    Quendle::RegisterWidgetsQmlTypes();
    auto* application = new cFakeApplication;
    application->setParent(engine);
    QQmlEngine::setObjectOwnership(application, QQmlEngine::CppOwnership);
    engine->rootContext()->setContextProperty(QStringLiteral("_application"), application);
    qmlRegisterSingletonType<cFakeMainActivity>("MainActivitySingleton", 1, 0, "MainActivity",
        [](QQmlEngine*, QJSEngine*) -> QObject* { return new cFakeMainActivity; });
}

#include "qml_contentpage.moc"
