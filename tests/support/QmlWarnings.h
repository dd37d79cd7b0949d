#pragma once

#include <QString>
#include <QtGlobal>

#include <atomic>

/// Counts the warnings the QML engine and QML code give while it lives: messages above debug and info
/// whose category, file or text says they come from QML, "QQmlComponent:" and "QQmlExpression:" lines
/// included. Each is printed as a "QML warning:" line and passed on to the handler in place before.
/// One counter at a time; the handler goes back in place when it ends.
class cQmlWarningCounter
{
public:
    cQmlWarningCounter();
    ~cQmlWarningCounter();
    cQmlWarningCounter(const cQmlWarningCounter&) = delete;
    cQmlWarningCounter& operator=(const cQmlWarningCounter&) = delete;

    int Count() const { return mCount; }
    void Reset() { mCount = 0; }

    /// The rule: whether a message counts as a QML warning.
    static bool IsQmlWarning(QtMsgType type, const QMessageLogContext& context, const QString& message);

private:
    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& message);

    std::atomic<int> mCount { 0 };
    QtMessageHandler mPrevious = nullptr;
};
