#include "ZUNet/Core/Trace.h"

#include <QtTest>

#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

namespace
{
struct sCollected {
    std::string mText;
    std::mutex mMutex;
};

void CollectSink(const char* line, std::size_t length, void* context)
{
    auto* collected = static_cast<sCollected*>(context);
    std::lock_guard<std::mutex> locker(collected->mMutex);
    collected->mText.append(line, length);
}

/// A trace function as a data column: clang takes no bare function pointer as a meta type.
struct sTraceFunction {
    void (*mCall)(const char*, int, const char*, const char*, ...);
};
} // namespace

Q_DECLARE_METATYPE(sTraceFunction)

class tst_Trace : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lineFormat_data();
    void lineFormat();
    void longTextIsCutTo511();
    void pathsInsideTheSourceTree_data();
    void pathsInsideTheSourceTree();
    void defaultSinkWritesStdout();
    void linesFromTwoThreadsNeverMix();
    void traceInsideSinkDoesNotDeadlock();
};

void tst_Trace::lineFormat_data()
{
    QTest::addColumn<sTraceFunction>("function");
    QTest::addColumn<QString>("expected");
    QTest::newRow("error") << sTraceFunction { &DebugErrTrace } << "ERROR: x=5\t(file:///a/b.cpp:42)\n";
    QTest::newRow("notification") << sTraceFunction { &DebugNotifTrace } << "Notification: x=5\t(file:///a/b.cpp:42)\n";
    QTest::newRow("history") << sTraceFunction { &DebugHistoryTrace } << "Notification: x=5\t(file:///a/b.cpp:42)\n";
    QTest::newRow("plain") << sTraceFunction { &DebugTrace } << "x=5\t(file:///a/b.cpp:42)\n";
    QTest::newRow("diagnostic") << sTraceFunction { &DebugDiagnosticTrace } << "";
}

void tst_Trace::lineFormat()
{
    QFETCH(sTraceFunction, function);
    QFETCH(QString, expected);
    sCollected collected;
    SetTraceSink(&CollectSink, &collected);
    function.mCall("a/b.cpp", 42, "void f()", "x=%d", 5);
    SetTraceSink(nullptr, nullptr);
    QCOMPARE(QString::fromStdString(collected.mText), expected);
    QVERIFY(collected.mText.find("void f()") == std::string::npos);
}

void tst_Trace::longTextIsCutTo511()
{
    sCollected collected;
    SetTraceSink(&CollectSink, &collected);
    const std::string text(600, 'q');
    DebugTrace("f.cpp", 7, "g", "%s", text.c_str());
    SetTraceSink(nullptr, nullptr);
    QCOMPARE(QString::fromStdString(collected.mText), QString(511, 'q') + "\t(file:///f.cpp:7)\n");
}

void tst_Trace::pathsInsideTheSourceTree_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("shown");
    // A call site of this very file, as the compiler names it (absolute, or relative through a cache).
    QTest::newRow("call site") << QString::fromLatin1(__FILE__) << "tests/ZUNet/Core/tst_trace.cpp";
    QTest::newRow("up from a nested build folder") << "../.././ZUNet/QT/Link.cpp"
                                                   << "ZUNet/QT/Link.cpp";
    QTest::newRow("already inside") << "Quendle/Runner/Application.cpp"
                                    << "Quendle/Runner/Application.cpp";
}

void tst_Trace::pathsInsideTheSourceTree()
{
    QFETCH(QString, file);
    QFETCH(QString, shown);
    sCollected collected;
    SetTraceSink(&CollectSink, &collected);
    const QByteArray path = file.toUtf8();
    DebugErrTrace(path.constData(), 9, "void f()", "lost");
    SetTraceSink(nullptr, nullptr);
    QCOMPARE(QString::fromStdString(collected.mText), "ERROR: lost\t(file:///" + shown + ":9)\n");
}

void tst_Trace::defaultSinkWritesStdout()
{
    // Standard output goes to a pipe for the length of one trace of each kind.
    int fds[2];
    QCOMPARE(pipe(fds), 0);
    std::fflush(stdout);
    const int saved = dup(fileno(stdout));
    dup2(fds[1], fileno(stdout));
    DebugErrTrace("a.cpp", 1, "void f()", "one");
    DebugDiagnosticTrace("a.cpp", 2, "void f()", "two");
    DebugNotifTrace("a.cpp", 3, "void f()", "three");
    std::fflush(stdout);
    dup2(saved, fileno(stdout));
    close(saved);
    close(fds[1]);
    char buffer[256] = {};
    const ssize_t n = read(fds[0], buffer, sizeof(buffer) - 1);
    close(fds[0]);
    QCOMPARE(QString::fromUtf8(buffer, int(n)),
        QString("ERROR: one\t(file:///a.cpp:1)\nNotification: three\t(file:///a.cpp:3)\n"));
}

void tst_Trace::linesFromTwoThreadsNeverMix()
{
    sCollected collected;
    SetTraceSink(&CollectSink, &collected);
    constexpr int kLines = 10000;
    auto writer = [](const char* tag) {
        for (int i = 0; i < kLines; ++i)
            DebugErrTrace("t.cpp", i, "w", "%s-%d", tag, i);
    };
    std::thread a(writer, "alpha");
    std::thread b(writer, "beta");
    a.join();
    b.join();
    SetTraceSink(nullptr, nullptr);
    const QStringList lines = QString::fromStdString(collected.mText).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2 * kLines);
    const QRegularExpression shape("^ERROR: (alpha|beta)-(\\d+)\\t\\(file:///t\\.cpp:(\\d+)\\)$");
    for (const QString& line : lines) {
        const auto match = shape.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        QCOMPARE(match.captured(2), match.captured(3));
    }
}

void tst_Trace::traceInsideSinkDoesNotDeadlock()
{
    // The lock is recursive: a trace made while the same thread writes a trace goes through.
    static sCollected collected;
    static bool nested = false;
    SetTraceSink(
        [](const char* line, std::size_t length, void*) {
            collected.mText.append(line, length);
            if (!nested) {
                nested = true;
                DebugTrace("n.cpp", 1, "n", "inner");
            }
        },
        nullptr);
    DebugTrace("o.cpp", 1, "o", "outer");
    SetTraceSink(nullptr, nullptr);
    QCOMPARE(QString::fromStdString(collected.mText), QString("outer\t(file:///o.cpp:1)\ninner\t(file:///n.cpp:1)\n"));
}

QTEST_GUILESS_MAIN(tst_Trace)
#include "tst_trace.moc"
