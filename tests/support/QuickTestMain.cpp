// The main of every Qt Quick Test executable. A QML warning fails the run: while the test log runs,
// Qt Test prints it as a QWARN line, which the test's FAIL_REGULAR_EXPRESSION catches (so
// TestCase.ignoreWarning still works); before and after, this handler counts it and the exit status
// reports it.

#include "tests/support/QuickTestMain.h"

#include <QQmlEngine>
#include <QtQuickTest>

#include <atomic>
#include <cstdio>

namespace
{

std::atomic<int> gQmlWarnings { 0 };
QtMessageHandler gPreviousHandler = nullptr;

bool IsFromQml(const QMessageLogContext& context, const QString& message)
{
    const QByteArray category(context.category ? context.category : "");
    const QByteArray file(context.file ? context.file : "");
    return category == "qml" || category == "js" || file.endsWith(".qml") || file.startsWith("qrc:")
        || file.startsWith("file:") || message.contains(QLatin1String(".qml:"))
        || message.startsWith(QLatin1String("QQmlComponent")) || message.startsWith(QLatin1String("QQmlExpression"));
}

void CountingHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtDebugMsg && type != QtInfoMsg && IsFromQml(context, message)) {
        ++gQmlWarnings;
        std::fprintf(stderr, "QML warning: %s\n", qPrintable(message));
    }
    if (gPreviousHandler != nullptr)
        gPreviousHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

class cQuickTestSetup : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    void applicationAvailable()
    {
        QtMessageHandler previous = qInstallMessageHandler(CountingHandler);
        if (previous != CountingHandler)
            gPreviousHandler = previous;
    }

    void qmlEngineAvailable(QQmlEngine* engine) { RegisterQuickTestTypes(engine); }
};

} // namespace

int main(int argc, char** argv)
{
    cQuickTestSetup setup;
    const int failed = quick_test_main_with_setup(argc, argv, QUICK_TEST_NAME, nullptr, &setup);
    if (gQmlWarnings > 0) {
        std::fprintf(stderr, "FAIL: %d QML warning(s) outside the test functions\n", gQmlWarnings.load());
        return failed != 0 ? failed : 1;
    }
    return failed;
}

#include "QuickTestMain.moc"
