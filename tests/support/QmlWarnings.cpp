#include "tests/support/QmlWarnings.h"

#include <cstdio>

namespace
{
std::atomic<cQmlWarningCounter*> gCounter { nullptr };
} // namespace

cQmlWarningCounter::cQmlWarningCounter()
{
    gCounter = this;
    mPrevious = qInstallMessageHandler(&cQmlWarningCounter::Handle);
}

cQmlWarningCounter::~cQmlWarningCounter()
{
    qInstallMessageHandler(mPrevious);
    gCounter = nullptr;
}

bool cQmlWarningCounter::IsQmlWarning(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return false;
    const QByteArray category(context.category ? context.category : "");
    const QByteArray file(context.file ? context.file : "");
    return category == "qml" || category == "js" || file.endsWith(".qml") || file.startsWith("qrc:")
        || file.startsWith("file:") || message.contains(QLatin1String(".qml:"))
        || message.startsWith(QLatin1String("QQmlComponent")) || message.startsWith(QLatin1String("QQmlExpression"));
}

void cQmlWarningCounter::Handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    cQmlWarningCounter* counter = gCounter;
    if (counter != nullptr && IsQmlWarning(type, context, message)) {
        ++counter->mCount;
        std::fprintf(stderr, "QML warning: %s\n", qPrintable(message));
    }
    if (counter != nullptr && counter->mPrevious != nullptr)
        counter->mPrevious(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(message));
}
