#pragma once
// One connection of a network game: lines in, lines out, with bounds. A line
// longer than maxLine, more than maxPending bytes waiting in either
// direction, or bytes that are no UTF-8 close the connection with the reason;
// nothing a peer sends can make this window hold more than that.
#include <QObject>
#include <chrono>
#include <deque>
#include <functional>
#include <string>

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
    ~Connection() override;

    // Told of every whole line, and once when the connection closes, with why.
    std::function<void(const std::string& line)> onLine;
    std::function<void(const std::string& why)> onClosed;

    void send(const std::string& line);
    // Closes the connection, saying why in the log (standard error).
    void close(const std::string& why);
    bool isOpen() const { return open_; }
    QTcpSocket& socket() { return *socket_; }

private:
    void readLines();
    void handOutLater();
    void handOut();

    QTcpSocket* socket_;
    std::string pending_;             // bytes after the last whole line
    std::deque<std::string> lines_;   // whole lines not yet handed out
    std::size_t queuedBytes_ = 0;
    bool handingOut_ = false;
    bool gone_ = false;  // the other side has closed
    QTimer* alive_ = nullptr;
    std::chrono::steady_clock::time_point lastHeard_ = std::chrono::steady_clock::now();
    bool open_ = true;
    std::string peer_;  // the other side's address
};

}  // namespace korvalo::net
