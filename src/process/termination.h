#pragma once
// How the program ends when the session or a user asks it to: SIGTERM, SIGHUP
// and SIGINT (Ctrl+C in the terminal), caught in one place for both programs.
// The handler only writes the signal's number to a pipe; the event loop reads
// it and runs what the program gave for it, so the program must be running
// its event loop to react.
#include <functional>

class QObject;

namespace korvalo::process {

// Has the event loop call react with the signal's number when one of those
// signals arrives, while owner lives; once owner is gone, the signals end the
// program again as they would without this. A later call takes the place of
// an earlier one.
void onTerminationSignal(QObject* owner, std::function<void(int)> react);

// Runs action, while owner lives, before endBySignal ends the program: for
// what must not stay behind outside the program, such as a port the router
// forwards to it.
void beforeEndBySignal(QObject* owner, std::function<void()> action);

// Runs the actions given to beforeEndBySignal, then ends the program by the
// signal as it would have ended without any handling.
void endBySignal(int number);

}  // namespace korvalo::process
