#pragma once
// The game's pause, without burning a processor: the window keeps repainting
// itself and answering the desktop, but no input is handled meanwhile; input
// stays queued until the running handler has returned.
#include <functional>

namespace korvalo {

// Returns after at least the given seconds (at once for 0 or less). Runs the
// event loop without user input until shortly before the end, then sleeps the
// rest, so the pause ends within a few milliseconds of its length.
void pauseWithoutInput(double seconds);

// Returns once done() holds, running the event loop without user input
// meanwhile (done is looked at every few milliseconds).
void pauseUntil(const std::function<bool()>& done);

// Multiplies the length of every later pause by factor (1 unless set). Only
// for benchmarks that play hundreds of whole games in the window; the game
// itself never calls it.
void setPauseScale(double factor);

}  // namespace korvalo
