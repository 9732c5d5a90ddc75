#pragma once
// What a game played from several windows decides about each input: whether
// it runs at this window, and whether it runs once the gate reaches it. A
// game at one window has no policy: every input runs where it is given.
#include "input/input.h"
#include "input/input_source.h"
#include "platform/platform.h"

namespace korvalo {

class InputPolicy {
public:
    virtual ~InputPolicy() = default;
    // When a source gives an input: false when it does not run here (it was
    // sent to the window that orders the game, or is not this window's to give).
    virtual bool take(InputSource& from, const Input& input) = 0;
    // When the gate is about to run the input: false skips it.
    virtual bool admit(InputSource& from, const Input& input) = 0;
    // A message box with these buttons was answered.
    virtual void answered(Buttons buttons, Answer answer) = 0;
    // A strong computer played this square (its search chose it, or it was
    // carried from where the game was played first).
    virtual void computerChose(int /*column*/, int /*row*/) {}
    // Whether the question whether to play on is answered at another window,
    // so that the person here cannot answer it.
    virtual bool answersQuestions() const { return false; }
    // Whether this window is catching up with a game already under way: it
    // runs the inputs it missed at once, without pauses, and closes the boxes
    // with only OK itself, since they were read where the game was played.
    virtual bool catchingUp() const { return false; }
};

}  // namespace korvalo
