#pragma once

#include <QByteArray>
#include <QIODevice>

/// An in-memory byte stream for links under test: bytes pushed in are read by the link (with
/// readyRead), bytes the link writes are collected. Switches make writes partial or failing.
class cMemoryStreamDevice : public QIODevice
{
    Q_OBJECT
public:
    cMemoryStreamDevice();

    /// Appends bytes for the reader and emits readyRead.
    void PushIncoming(const QByteArray& bytes);
    /// The peer closed its side: emits readChannelFinished.
    void FinishIncoming();
    QByteArray Written() const { return mWritten; }
    QByteArray TakeWritten();

    /// Each write takes at most this many bytes (0: no limit).
    int mMaxWriteChunk = 0;
    /// Writes fail once this many bytes have been written in total (-1: never).
    qint64 mFailWritesAfter = -1;

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return mIncoming.size() + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    QByteArray mIncoming;
    QByteArray mWritten;
};
