#pragma once
// What a game session tells the program that shows it, one listener for
// both: the window shows boxes and its title, korvalo-script prints lines.
// Each method is an event of the session; what the program shows for it, and
// in which words, is its own.
#include <QStringList>
#include <string>

namespace korvalo {

// A game hosted here, listening.
struct HostingNews {
    int port = 0;             // the port it listens on (the system's choice for port 0)
    std::string code;         // the join code
    QStringList addresses;    // where others join, one "address:port" each
    double codeBits = 0;      // the code's strength
    bool weakCode = false;    // under the strength a stranger cannot guess
};

// What the home router answered when asked to forward the host's port.
struct RouterAnswer {
    QStringList lines;     // what the host tells of it: where friends join from, or why not
    bool mapped = false;   // the router forwards the port
    std::string link;      // mapped: the join link through the router's outside address
    std::string detail;    // refused: the router's own answer, for the log
    int milliseconds = 0;  // how long the router was asked
};

// A session of one window hears nothing of a network game, and one without
// a record nothing of it: what a face cannot be told it need not hear.
class SessionListener {
public:
    virtual ~SessionListener() = default;
    // A line for the log, in English, without the program's name.
    virtual void logLine(const std::string& line) = 0;
    // The game is hosted here and listens.
    virtual void hosting(const HostingNews& /*news*/) {}
    // The window of a colour has left the game: the host plays it now (this
    // window, when it hosts).
    virtual void peerLeft(int /*colour*/) {}
    // The host of a joined game has ended it (byNo: by No to the question
    // whether to play on); the game is this window's alone from here.
    virtual void hostEnded(bool /*byNo*/) {}
    // The colours were dealt again, or a window joined or left.
    virtual void playersChanged() {}
    // The router's answer, once it came (five seconds at most).
    virtual void routerAnswered(const RouterAnswer& /*answer*/) {}
    // The record can no longer be written; it ends here.
    virtual void recordFailed(const std::string& /*why*/) {}
};

}  // namespace korvalo
