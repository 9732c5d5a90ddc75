#include "net/connection.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QStringDecoder>
#include <QTcpSocket>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "log/log.h"
#include "log/printable.h"
#include "net/protocol.h"
#include "net/reasons.h"

namespace korvalo::net {

bool runUntil(const std::function<bool()>& done, int timeout)
{
    // Each round handles what has come (lines, timers) and then sleeps until
    // something more comes; the limit's timer wakes the last one.
    QTimer limit;
    limit.setSingleShot(true);
    limit.start(timeout);
    while (!done() && limit.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

Connection::Connection(QTcpSocket* socket, QObject* parent)
    : QObject(parent), stream_(socket), socket_(socket), peer_(socket->peerAddress()),
      address_(peer_.toString().toStdString())
{
    // Read in pieces: what has been read is counted against the limit at once.
    socket_->setReadBufferSize(64 * 1024);
    // A line is sent at once, not held back to be joined with the next.
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(socket_, &QTcpSocket::connected, this, [this] {
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        peer_ = socket_->peerAddress();
        address_ = peer_.toString().toStdString();
        if (onReached)
            onReached();
    });
    // What the other side said before it closed is still handed out.
    connect(socket_, &QTcpSocket::disconnected, this, &Connection::otherSideClosed);
    connect(socket_, &QTcpSocket::errorOccurred, this, [this] {
        // A wait that found nothing to read is no failure of the connection.
        if (socket_->error() != QAbstractSocket::RemoteHostClosedError &&
            socket_->error() != QAbstractSocket::SocketTimeoutError)
            close(socket_->errorString().toStdString(), socketErrorForWindow(socket_->error()));
    });
    watch();
}

Connection::Connection(QIODevice* stream, const QHostAddress& peer, QObject* parent)
    : QObject(parent), stream_(stream), socket_(nullptr), peer_(peer), address_(peer.toString().toStdString())
{
    connect(stream_, &QIODevice::readChannelFinished, this, &Connection::otherSideClosed);
    QMetaObject::invokeMethod(
        this, [this] {
            if (open_ && onReached)
                onReached();
        },
        Qt::QueuedConnection);
    watch();
}

void Connection::watch()
{
    stream_->setParent(this);
    // Each side says ping now and then; a connection silent for longer than
    // that is taken for lost, as when the other machine left the network.
    alive_ = new QTimer(this);
    connect(alive_, &QTimer::timeout, this, [this] {
        // What has come meanwhile counts, even if the loop was busy elsewhere.
        if (socket_ && stands())
            socket_->waitForReadyRead(0);
        if (!open_)
            return;
        if (std::chrono::steady_clock::now() - lastHeard_ > std::chrono::milliseconds(silenceMilliseconds)) {
            close("nothing heard for " + std::to_string(silenceMilliseconds / 1000) + " seconds",
                  QStringLiteral("%1 秒間なにも届きませんでした").arg(silenceMilliseconds / 1000));
            return;
        }
        if (stands())
            send(std::string(pingLine));
    });
    alive_->start(pingMilliseconds);
    connect(stream_, &QIODevice::readyRead, this, &Connection::readLines);
}

void Connection::otherSideClosed()
{
    readLines();
    gone_ = true;
    if (lines_.empty())
        close("the other side closed the connection", socketErrorForWindow(QAbstractSocket::RemoteHostClosedError));
}

bool Connection::stands() const
{
    return socket_ ? socket_->state() == QAbstractSocket::ConnectedState : stream_->isOpen();
}

void Connection::flush()
{
    if (socket_)
        socket_->flush();
}

Connection::~Connection()
{
    onClosed = nullptr;
    onLine = nullptr;
}

void Connection::send(const std::string& line)
{
    if (std::getenv("KORVALO_NET_DEBUG") && line != pingLine)
        std::fprintf(stderr, "net> %s\n", log::printable(line).c_str());
    if (!open_)
        return;
    // A peer that stops reading does not make this window keep its lines.
    if (static_cast<std::size_t>(stream_->bytesToWrite()) + line.size() > maxPending) {
        close("the other side does not read what it is sent", QStringLiteral("相手が送られたものを読みません"));
        return;
    }
    stream_->write(line.data(), static_cast<qint64>(line.size()));
    stream_->write("\n", 1);
}

void Connection::connectTo(const QString& host, quint16 port)
{
    address_ = host.toStdString();
    if (!socket_)
        return;
    socket_->connectToHost(host, port);
}

void Connection::close(const std::string& why, const QString& forWindow)
{
    if (!open_)
        return;
    open_ = false;
    reasonForWindow_ = forWindow;
    alive_->stop();
    if (!quiet_) {
        // The last word is always said, with what was left out before it.
        logged_ = 0;
        log("closed: " + why);
    }
    lines_.clear();
    if (socket_) {
        socket_->flush();
        socket_->disconnectFromHost();
    } else {
        stream_->close();
    }
    if (onClosed)
        onClosed(why);
}

void Connection::log(const std::string& text)
{
    const auto now = std::chrono::steady_clock::now();
    if (now - logSecond_ >= std::chrono::seconds(1)) {
        logSecond_ = now;
        logged_ = 0;
    }
    if (logged_ >= logLinesPerSecond) {
        ++leftOut_;
        return;
    }
    ++logged_;
    std::string line = "korvalo: connection with " + address_ + ": " + log::printable(text);
    if (leftOut_ > 0)
        line += " (" + std::to_string(std::exchange(leftOut_, 0)) + " lines before it left out)";
    korvalo::log::line(line);
}

void Connection::readLines()
{
    // Lines are taken here and handed out one at a time from the event loop:
    // a handler may wait in an event loop of its own (for an answer, say), and
    // the lines after its own must still reach it meanwhile.
    while (open_ && stream_->bytesAvailable() > 0) {
        char piece[4096];
        const qint64 got = stream_->read(piece, sizeof piece);
        if (got <= 0)
            break;
        const std::size_t heard = lines_.heard();
        const std::optional<std::string> wrong = lines_.feed(std::string_view(piece, static_cast<std::size_t>(got)));
        if (lines_.heard() != heard)
            lastHeard_ = std::chrono::steady_clock::now();
        if (wrong) {
            close(*wrong, QStringLiteral("読めない行が届きました"));
            return;
        }
    }
    handOutLater();
}

void Connection::handOutLater()
{
    if (handingOut_ || lines_.empty())
        return;
    handingOut_ = true;
    QMetaObject::invokeMethod(this, [this] { handOut(); }, Qt::QueuedConnection);
}

void Connection::handOut()
{
    handingOut_ = false;
    if (open_ && gone_ && lines_.empty())
        close("the other side closed the connection",
              socketErrorForWindow(QAbstractSocket::RemoteHostClosedError));
    if (!open_ || lines_.empty())
        return;
    std::string line = *lines_.next();
    if (std::getenv("KORVALO_NET_DEBUG"))
        std::fprintf(stderr, "net< %s\n", log::printable(line).c_str());
    // The next line goes out first from the event loop, also from one the
    // handler of this line may run.
    if (lines_.empty() && gone_) {
        handingOut_ = true;
        QMetaObject::invokeMethod(this, [this] { handOut(); }, Qt::QueuedConnection);
    }
    handOutLater();
    if (onLine)
        onLine(line);
}

}  // namespace korvalo::net
