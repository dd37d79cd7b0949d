#include "tests/support/MemoryStreamDevice.h"

#include <cstring>

cMemoryStreamDevice::cMemoryStreamDevice()
{
    open(QIODevice::ReadWrite | QIODevice::Unbuffered);
}

void cMemoryStreamDevice::PushIncoming(const QByteArray& bytes)
{
    mIncoming.append(bytes);
    Q_EMIT readyRead();
}

void cMemoryStreamDevice::FinishIncoming()
{
    Q_EMIT readChannelFinished();
}

QByteArray cMemoryStreamDevice::TakeWritten()
{
    QByteArray out;
    out.swap(mWritten);
    return out;
}

qint64 cMemoryStreamDevice::readData(char* data, qint64 maxSize)
{
    const qint64 count = qMin<qint64>(maxSize, mIncoming.size());
    std::memcpy(data, mIncoming.constData(), size_t(count));
    mIncoming.remove(0, int(count));
    return count;
}

qint64 cMemoryStreamDevice::writeData(const char* data, qint64 maxSize)
{
    qint64 count = mMaxWriteChunk > 0 ? qMin<qint64>(maxSize, mMaxWriteChunk) : maxSize;
    if (mFailWritesAfter >= 0) {
        const qint64 room = mFailWritesAfter - mWritten.size();
        if (room <= 0)
            return -1;
        count = qMin(count, room);
    }
    mWritten.append(data, int(count));
    return count;
}
