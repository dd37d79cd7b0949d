#include "tests/support/TraceCapture.h"

#include "ZUNet/Core/Trace.h"

cTraceCapture::cTraceCapture()
{
    SetTraceSink(&cTraceCapture::Sink, this);
}

cTraceCapture::~cTraceCapture()
{
    SetTraceSink(nullptr, nullptr);
}

void cTraceCapture::Sink(const char* line, std::size_t length, void* context)
{
    auto* self = static_cast<cTraceCapture*>(context);
    QString text = QString::fromUtf8(line, int(length));
    if (text.endsWith('\n'))
        text.chop(1);
    std::lock_guard<std::mutex> locker(self->mMutex);
    self->mLines.append(text);
}

QStringList cTraceCapture::RawLines() const
{
    std::lock_guard<std::mutex> locker(mMutex);
    return mLines;
}

QStringList cTraceCapture::Lines() const
{
    QStringList out;
    for (const QString& line : RawLines()) {
        const int position = line.lastIndexOf(QStringLiteral("\t(file:///"));
        out.append(position >= 0 ? line.left(position) : line);
    }
    return out;
}

int cTraceCapture::Count(const QString& text) const
{
    return int(Lines().count(text));
}

int cTraceCapture::CountContaining(const QString& fragment) const
{
    int n = 0;
    for (const QString& line : Lines())
        n += line.contains(fragment) ? 1 : 0;
    return n;
}

void cTraceCapture::Clear()
{
    std::lock_guard<std::mutex> locker(mMutex);
    mLines.clear();
}
