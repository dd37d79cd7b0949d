// The main of every Qt Quick Test executable. A QML warning fails the run: while the test log runs,
// Qt Test prints it as a QWARN line, which the test's FAIL_REGULAR_EXPRESSION catches (so
// TestCase.ignoreWarning still works); before and after, the QML warning counter counts it and the exit
// status reports it.

#include "tests/support/QuickTestMain.h"

#include "tests/support/QmlWarnings.h"

#include <QQmlEngine>
#include <QtQuickTest>

#include <cstdio>
#include <memory>

namespace
{

std::unique_ptr<cQmlWarningCounter> gQmlWarnings;

class cQuickTestSetup : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    void applicationAvailable()
    {
        if (!gQmlWarnings)
            gQmlWarnings = std::make_unique<cQmlWarningCounter>();
    }

    void qmlEngineAvailable(QQmlEngine* engine) { RegisterQuickTestTypes(engine); }
};

} // namespace

int main(int argc, char** argv)
{
    cQuickTestSetup setup;
    const int failed = quick_test_main_with_setup(argc, argv, QUICK_TEST_NAME, nullptr, &setup);
    const int warnings = gQmlWarnings ? gQmlWarnings->Count() : 0;
    if (warnings > 0) {
        std::fprintf(stderr, "FAIL: %d QML warning(s) outside the test functions\n", warnings);
        return failed != 0 ? failed : 1;
    }
    return failed;
}

#include "QuickTestMain.moc"
