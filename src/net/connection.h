#pragma once
// One connection of a network game: lines in, lines out, with bounds. A line
// longer than maxLine, more than the limit (maxPending unless set) waiting in
// either direction, each line counted with lineCost, or bytes that are no
// UTF-8 close the connection with the reason; nothing a peer sends can make
// this window hold more than that. What it writes to the log is escaped, cut
// and rate-limited, so no peer reaches the terminal with bytes of its own.
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <string>

#include "net/line_splitter.h"
#include "net/protocol.h"

class QIODevice;
class QTcpSocket;
class QTimer;

namespace korvalo::net {

// Runs the event loop until done() answers true, at most timeout
// milliseconds; returns done().
bool runUntil(const std::function<bool()>& done, int timeout);

class Connection : public QObject {
public:
    // Takes the socket, which may still be connecting.
    explicit Connection(QTcpSocket* socket, QObject* parent = nullptr);
    // Takes a stream that stands already and is no socket (an in-memory
    // pipe, say), open for reading and writing, from peer; its end is read
    // as the other side closing (readChannelFinished).
    Connection(QIODevice* stream, const QHostAddress& peer, QObject* parent = nullptr);
    ~Connection() override;

    // Told of every whole line, and once when the connection closes, with why.
    std::function<void(const std::string& line)> onLine;
    std::function<void(const std::string& why)> onClosed;
    // Told once, from the event loop, when the connection stands.
    std::function<void()> onReached;

    // Connects the socket, which is not connected yet, to host:port; the log
    // names the host as given until the connection stands.
    void connectTo(const QString& host, quint16 port);

    void send(const std::string& line);
    void send(const Message& message) { send(writeMessage(message)); }
    // Closes the connection, saying why in the log (standard error) unless
    // it is quiet; forWindow is why in the words a window shows (Japanese),
    // if it is one that a window may show.
    void close(const std::string& why, const QString& forWindow = QString());
    bool isOpen() const { return open_; }
    // Why it closed, in the words a window shows; empty when the owner
    // closed it without giving them.
    const QString& reasonForWindow() const { return reasonForWindow_; }
    // Writes "korvalo: connection with ADDRESS: text" to the log, at most
    // logLinesPerSecond lines a second; text is made printable.
    void log(const std::string& text);
    // A quiet connection logs nothing itself (its owner does, for many at once).
    void setQuiet(bool quiet) { quiet_ = quiet; }
    // The most that lines waiting to be handled may cost.
    void setLimit(std::size_t bytes) { lines_.setLimit(bytes); }
    // The other side's address, as it was when connected.
    const std::string& address() const { return address_; }
    const QHostAddress& peerAddress() const { return peer_; }
    // Writes out what waits to be sent, as far as it can without waiting.
    void flush();

private:
    void watch();
    void otherSideClosed();
    bool stands() const;
    void readLines();
    void handOutLater();
    void handOut();

    QIODevice* stream_;
    QTcpSocket* socket_;  // the stream, when it is a socket
    QHostAddress peer_;
    LineSplitter lines_;              // whole lines not yet handed out
    bool handingOut_ = false;
    bool gone_ = false;  // the other side has closed
    QTimer* alive_ = nullptr;
    std::chrono::steady_clock::time_point lastHeard_ = std::chrono::steady_clock::now();
    bool open_ = true;
    bool quiet_ = false;
    std::string address_;
    QString reasonForWindow_;
    std::chrono::steady_clock::time_point logSecond_{};
    int logged_ = 0;      // lines logged in the second since logSecond_
    int leftOut_ = 0;     // lines not logged since the last one that was
};

}  // namespace korvalo::net
