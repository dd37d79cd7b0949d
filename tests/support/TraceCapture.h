#pragma once

#include <QStringList>
#include <mutex>

/// Collects every trace line while it lives (instead of standard output), so tests can assert
/// exact texts and counts. Lines are kept without their "\t(file:///...)" position unless asked.
class cTraceCapture
{
public:
    cTraceCapture();
    ~cTraceCapture();

    /// Whole lines as written, newline removed.
    QStringList RawLines() const;
    /// Lines without the trailing position.
    QStringList Lines() const;
    /// Number of lines whose text (without position) equals `text` exactly.
    int Count(const QString& text) const;
    /// Number of lines whose text contains `fragment`.
    int CountContaining(const QString& fragment) const;
    bool Contains(const QString& text) const { return Count(text) > 0; }
    void Clear();

private:
    static void Sink(const char* line, std::size_t length, void* context);
    mutable std::mutex mMutex;
    QStringList mLines;
};
