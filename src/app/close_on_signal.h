#pragma once
// Ending the game when the session or a user asks the program to end.

#include <functional>

class QObject;

namespace korvalo {

class MainWindow;

// SIGTERM, SIGHUP and SIGINT (Ctrl+C in the terminal) close the window as its close button does, so that the
// game's own shutdown runs and the program ends normally. While a handler
// runs (a message box is open, the computer is playing) the window cannot
// close at once; the signal then ends the program as it would without this.
void closeOnTerminationSignal(MainWindow* window);

// Runs action, while owner lives, before such a signal ends the program
// without the window's own shutdown: for what must not stay behind outside
// the program, such as a port the router forwards to it.
void beforeEndBySignal(QObject* owner, std::function<void()> action);

}  // namespace korvalo
