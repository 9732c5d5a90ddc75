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

namespace korvalo::net {

// A host of form's game listening on port (IPv4 and IPv6), whose computer
// colours play at the level form's do; none, with the reason,
// when it cannot listen there (and in forWindow, when given, the reason in
// the words a window shows). An empty code stands for a random one.
std::unique_ptr<Host> openGame(InputPath& path, Form1& form, const std::string& code, quint16 port, QString* why,
                               QString* forWindow = nullptr);

// Has form play the squares join's host sends for its computer, each
// waited for (up to ten minutes) when that computer is to move; the waiting
// stops once join is gone.
void playHostsSquares(Join& join, Form1& form);

}  // namespace korvalo::net
