#pragma once
// One end of an in-memory byte stream, for a Connection that runs without a
// socket: what is given to it is read as a socket's bytes would be, and its
// end as the other side closing. Two ends joined carry each other's writes,
// from the event loop; an end alone counts what it is sent and drops it.
#include <QByteArray>
#include <QIODevice>
#include <QPointer>

namespace korvalo::net {

class Pipe : public QIODevice {
public:
    explicit Pipe(QObject* parent = nullptr);

    // Makes a and b carry each other's writes.
    static void join(Pipe& a, Pipe& b);
    // Bytes from the other side, to be read here.
    void give(const QByteArray& bytes);
    // The other side ends: what came is still read, then the stream ends.
    void hangUp();
    // Bytes written here and not carried to another end.
    qint64 dropped() const { return dropped_; }

    // Closes this end; a joined other end then reads to its end.
    void close() override;
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return incoming_.size() + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 most) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    QByteArray incoming_;
    QPointer<Pipe> other_;
    qint64 dropped_ = 0;
    bool hungUp_ = false;
};

}  // namespace korvalo::net
