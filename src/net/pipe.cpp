#include "net/pipe.h"

#include <QMetaObject>
#include <algorithm>
#include <cstring>
#include <utility>

namespace korvalo::net {

Pipe::Pipe(QObject* parent) : QIODevice(parent)
{
    open(QIODevice::ReadWrite | QIODevice::Unbuffered);
}

void Pipe::join(Pipe& a, Pipe& b)
{
    a.other_ = &b;
    b.other_ = &a;
}

void Pipe::give(const QByteArray& bytes)
{
    if (hungUp_ || !isOpen() || bytes.isEmpty())
        return;
    incoming_ += bytes;
    emit readyRead();
}

void Pipe::hangUp()
{
    if (std::exchange(hungUp_, true) || !isOpen())
        return;
    emit readChannelFinished();
}

void Pipe::close()
{
    if (other_ && isOpen())
        QMetaObject::invokeMethod(
            other_, [to = other_] {
                if (to)
                    to->hangUp();
            },
            Qt::QueuedConnection);
    QIODevice::close();
}

qint64 Pipe::readData(char* data, qint64 most)
{
    const qint64 n = std::min<qint64>(most, incoming_.size());
    std::memcpy(data, incoming_.constData(), static_cast<std::size_t>(n));
    incoming_.remove(0, n);
    return n;
}

qint64 Pipe::writeData(const char* data, qint64 size)
{
    if (!other_) {
        dropped_ += size;
        return size;
    }
    // Carried from the event loop: the writer is not read back into meanwhile.
    QMetaObject::invokeMethod(
        other_, [to = other_, bytes = QByteArray(data, size)] {
            if (to)
                to->give(bytes);
        },
        Qt::QueuedConnection);
    return size;
}

}  // namespace korvalo::net
