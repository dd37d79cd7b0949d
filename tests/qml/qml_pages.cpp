// The pages on their own, with the real registration of the application's QML types and the fake
// "_application". A quit asked for by a page is counted on the fake instead of ending the run, and
// the pages' console lines are kept on it so that a test can read what a page logged.

#include "Quendle/Runner/ApplicationQml.h"
#include "tests/qml/FakeApplication.h"
#include "tests/support/QuickTestMain.h"

#include <QQmlContext>
#include <QQmlEngine>

namespace
{

cFakeApplication* gApplication = nullptr;
QtMessageHandler gNextHandler = nullptr;

void KeepConsoleLines(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtDebugMsg && gApplication != nullptr && context.category != nullptr
        && (qstrcmp(context.category, "qml") == 0 || qstrcmp(context.category, "js") == 0))
        gApplication->AddConsoleLine(message);
    if (gNextHandler != nullptr)
        gNextHandler(type, context, message);
}

} // namespace

void RegisterQuickTestTypes(QQmlEngine* engine)
{
    Quendle::RegisterApplicationQmlTypes();
    static cFakeApplication application;
    if (gApplication == nullptr) {
        gApplication = &application;
        // Qt Test puts its own handler in place when the run starts; ours goes in front of it at
        // the first reset of the fake, which every test does while the run goes on.
        QObject::connect(&application, &cFakeApplication::consoleLinesChanged, [] {
            if (gNextHandler == nullptr)
                gNextHandler = qInstallMessageHandler(KeepConsoleLines);
        });
    }
    engine->rootContext()->setContextProperty(QStringLiteral("_application"), &application);
    QObject::connect(engine, &QQmlEngine::quit, &application, &cFakeApplication::CountQuit);
}
