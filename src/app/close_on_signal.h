#pragma once
// Ending the game when the session or a user asks the program to end.

namespace korvalo {

class MainWindow;

// SIGTERM, SIGHUP and SIGINT (Ctrl+C in the terminal) close the window as its close button does, so that the
// game's own shutdown runs and the program ends normally. While a handler
// runs (a message box is open, the computer is playing) the window cannot
// close at once; the signal then ends the program as it would without this,
// after what was given to process::beforeEndBySignal.
void closeOnTerminationSignal(MainWindow* window);

}  // namespace korvalo
