// An engine's pipes in memory, for the protocol objects' tests.
#pragma once

#include <QIODevice>
#include <QStringList>

#include <algorithm>

namespace vorlik::test {

// An engine's pipes in memory: what the engine says is read by the
// protocol, what the protocol writes is kept.
class MemoryPipes : public QIODevice {
public:
    MemoryPipes() { open(QIODevice::ReadWrite | QIODevice::Unbuffered); }
    void say(const QByteArray& lines)
    {
        fromEngine_ += lines + "\n";
        emit readyRead();
    }
    QStringList written() const { return QString::fromUtf8(toEngine_).split('\n', Qt::SkipEmptyParts); }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return fromEngine_.size() + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 max) override
    {
        const qint64 n = std::min<qint64>(max, fromEngine_.size());
        std::copy_n(fromEngine_.constData(), n, data);
        fromEngine_.remove(0, n);
        return n;
    }
    qint64 writeData(const char* data, qint64 size) override
    {
        toEngine_.append(data, size);
        return size;
    }

private:
    QByteArray fromEngine_, toEngine_;
};

}  // namespace vorlik::test
