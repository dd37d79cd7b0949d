#include "ZUNet/Core/Trace.h"

#include <QThread>

#include <mutex>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace
{

constexpr std::size_t kFormatBufferSize = 512;

// std mutexes rather than Qt ones throughout the network code: ThreadSanitizer sees them.
std::recursive_mutex& TraceLock()
{
    static std::recursive_mutex lock;
    return lock;
}

void StdoutSink(const char* line, std::size_t length, void*)
{
    std::fwrite(line, 1, length, stdout);
    std::fflush(stdout);
}

tTraceSink gSink = &StdoutSink;
void* gSinkContext = nullptr;

// The path inside the source tree: a user's terminal gets no build machine's folders. Compilers give
// the source root itself (absolute paths) or a way up to it from the build folder (relative ones,
// as a compiler cache gives them).
const char* SourcePath(const char* file)
{
    if (file == nullptr)
        return "";
    static const std::size_t rootLength = std::strlen(ZUNET_SOURCE_ROOT);
    if (std::strncmp(file, ZUNET_SOURCE_ROOT, rootLength) == 0)
        return file + rootLength;
    for (;;) {
        if (std::strncmp(file, "../", 3) == 0)
            file += 3;
        else if (std::strncmp(file, "./", 2) == 0)
            file += 2;
        else
            return file;
    }
}

void WriteLine(const char* prefix, const char* text, const char* file, int line)
{
    // Built on the stack: a peer's garbage can cost a trace per message, and a trace should not
    // cost an allocation on top. Only a path longer than the room left is cut.
    char out[kFormatBufferSize + 1024];
    std::size_t length = 0;
    const std::size_t room = sizeof(out) - 2; // ")\n" always fits after the number
    auto append = [&](const char* part) {
        const std::size_t n = std::min(std::strlen(part), room - length);
        std::memcpy(out + length, part, n);
        length += n;
    };
    append(prefix);
    append(text);
    append("\t(file:///");
    append(SourcePath(file));
    char number[16];
    std::snprintf(number, sizeof(number), ":%d", line);
    append(number);
    out[length++] = ')';
    out[length++] = '\n';

    std::lock_guard<std::recursive_mutex> locker(TraceLock());
    gSink(out, length, gSinkContext);
}

} // namespace

#define ZU_FORMAT_INTO(buffer, format)                                                                                 \
    char buffer[kFormatBufferSize];                                                                                    \
    do {                                                                                                               \
        va_list args;                                                                                                  \
        va_start(args, format);                                                                                        \
        std::vsnprintf(buffer, sizeof(buffer), format, args);                                                          \
        va_end(args);                                                                                                  \
        buffer[kFormatBufferSize - 1] = '\0';                                                                          \
    } while (0)

void DebugTrace(const char* file, int line, const char*, const char* format, ...)
{
    ZU_FORMAT_INTO(text, format);
    WriteLine("", text, file, line);
}

void DebugErrTrace(const char* file, int line, const char*, const char* format, ...)
{
    ZU_FORMAT_INTO(text, format);
    WriteLine("ERROR: ", text, file, line);
}

void DebugNotifTrace(const char* file, int line, const char*, const char* format, ...)
{
    ZU_FORMAT_INTO(text, format);
    WriteLine("Notification: ", text, file, line);
}

void DebugHistoryTrace(const char* file, int line, const char*, const char* format, ...)
{
    ZU_FORMAT_INTO(text, format);
    WriteLine("Notification: ", text, file, line);
}

void DebugDiagnosticTrace(const char*, int, const char*, const char* format, ...)
{
    ZU_FORMAT_INTO(text, format);
    (void)text;
}

void Wait(int milliseconds)
{
    QThread::usleep(static_cast<unsigned long>(milliseconds) * 1000UL);
}

void Wait_u(int microseconds)
{
    QThread::usleep(static_cast<unsigned long>(microseconds));
}

void SetTraceSink(tTraceSink sink, void* context)
{
    std::lock_guard<std::recursive_mutex> locker(TraceLock());
    gSink = sink ? sink : &StdoutSink;
    gSinkContext = sink ? context : nullptr;
}
