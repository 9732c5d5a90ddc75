#pragma once
// Closing the window when the session or a user asks the program to end.
class QWidget;

namespace korvalo {

// SIGTERM and SIGHUP close the window as its close button does: the game's
// own shutdown runs and the program ends normally. Without this the signal
// would end the process at once, the sound library still open.
void closeOnTerminationSignal(QWidget* window);

}  // namespace korvalo
