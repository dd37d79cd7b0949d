// The widget views with the layer's real registration, and a small layout reader that builds widgets
// from XML through the test factory.

#include "Quendle/Widgets/WidgetsQml.h"
#include "tests/Quendle/Widgets/TestWidgetFactory.h"
#include "tests/support/QuickTestMain.h"
#include "tests/support/quendle/TestConfig.h"

#include <QQmlEngine>
#include <QVariantList>
#include <QtQml>

namespace
{

class cTestLayout : public QObject
{
    Q_OBJECT

public:
    cTestLayout()
        : mConfig(&mApplication)
    {
    }
    // The widgets go before the configuration they were read with.
    ~cTestLayout() override { qDeleteAll(findChildren<cWidget*>(QString(), Qt::FindDirectChildrenOnly)); }

    /// The top-level widgets of a `Layout` document; they live as long as this object.
    Q_INVOKABLE QVariantList load(const QString& document)
    {
        return mFactory.ReadLayoutForQml(document, mConfig, this);
    }

private:
    cTestApplication mApplication;
    cTestConfig mConfig;
    cTestWidgetFactory mFactory;
};

} // namespace

void RegisterQuickTestTypes(QQmlEngine*)
{
    Quendle::RegisterWidgetsQmlTypes();
    qmlRegisterType<cTestLayout>("WidgetsTest", 1, 0, "TestLayout");
}

#include "qml_widgets.moc"
