#pragma once
// What the window and korvalo-script do alike to take part in a network
// game: open one as its host, and have a joined game play the squares its
// host's computer chose at its level. What each says about it (on the terminal, in
// a box) stays with each program.
#include <QString>
#include <memory>
#include <string>

#include "flow/form1.h"
#include "input/input_path.h"
#include "net/host.h"
#include "net/join.h"
#include "net/port_mapping.h"
#include "script/session_listener.h"

namespace korvalo::net {

// A game hosted here: the host of form's game listening on its port, and,
// when asked, the home router forwarding that port until the game ends. What
// happens is told to the session's listener; the window and korvalo-script
// each say it in their own words.
class HostedGame {
public:
    // Listens on port (IPv4 and IPv6; 0: a free port the system chooses)
    // with code (empty: a random one); the computer colours play at the
    // level form's do. None, with the reason (in forWindow,
    // when given, in the words a window shows), when it cannot listen there.
    // The listener is told the game is hosted; it must outlive the game.
    static std::unique_ptr<HostedGame> open(InputPath& path, Form1& form, const std::string& code, quint16 port,
                                            SessionListener& listener, QString* why, QString* forWindow = nullptr);
    ~HostedGame();

    Host& host() { return *host_; }

    // Asks the router to forward the port; its answer goes to the listener.
    // A signal that ends the program removes the mapping first; with
    // endOnSignal the signal also ends the program (one without a window to
    // close on it).
    void askTheRouter(bool endOnSignal);
    // Tells every joined window that the game ends.
    void end() { host_->end(); }
    // Removes the router's mapping, if any (waiting for the router two
    // seconds at most).
    void letTheRouterGo();

private:
    HostedGame(std::unique_ptr<Host> host, SessionListener& listener);

    std::unique_ptr<Host> host_;
    SessionListener& listener_;
    std::unique_ptr<PortMapping> mapping_;
};

// Has form play the squares join's host sends for its computer, each
// waited for (up to ten minutes) when that computer is to move; the waiting
// stops once join is gone.
void playHostsSquares(Join& join, Form1& form);

}  // namespace korvalo::net
