#pragma once

#include <cstddef>

// Every log line of the system goes through these functions. Each takes the caller's file, line
// and full function name (never printed), then a printf-style text formatted into 512 bytes.
// A written line is: prefix, text, "\t(file:///", file, ":", line, ")", newline.

#if defined(__GNUC__)
#define ZU_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define ZU_PRINTF_FORMAT(fmt, args)
#endif

void DebugTrace(const char* file, int line, const char* function, const char* format, ...) ZU_PRINTF_FORMAT(4, 5);
void DebugErrTrace(const char* file, int line, const char* function, const char* format, ...) ZU_PRINTF_FORMAT(4, 5);
void DebugNotifTrace(const char* file, int line, const char* function, const char* format, ...) ZU_PRINTF_FORMAT(4, 5);
void DebugHistoryTrace(const char* file, int line, const char* function, const char* format, ...)
    ZU_PRINTF_FORMAT(4, 5);
/// Formatted and discarded.
void DebugDiagnosticTrace(const char* file, int line, const char* function, const char* format, ...)
    ZU_PRINTF_FORMAT(4, 5);

void Wait(int milliseconds);
void Wait_u(int microseconds);

/// Where whole trace lines go. The default writes to standard output and flushes. The sink is
/// called under the trace lock with one complete line, newline included. Tests swap it.
using tTraceSink = void (*)(const char* line, std::size_t length, void* context);
void SetTraceSink(tTraceSink sink, void* context); // nullptr restores standard output

#define ZU_TRACE(...) DebugTrace(__FILE__, __LINE__, __PRETTY_FUNCTION__, __VA_ARGS__)
#define ZU_ERR(...) DebugErrTrace(__FILE__, __LINE__, __PRETTY_FUNCTION__, __VA_ARGS__)
#define ZU_NOTIF(...) DebugNotifTrace(__FILE__, __LINE__, __PRETTY_FUNCTION__, __VA_ARGS__)
#define ZU_HISTORY(...) DebugHistoryTrace(__FILE__, __LINE__, __PRETTY_FUNCTION__, __VA_ARGS__)
#define ZU_DIAG(...) DebugDiagnosticTrace(__FILE__, __LINE__, __PRETTY_FUNCTION__, __VA_ARGS__)
