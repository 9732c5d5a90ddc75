#pragma once
// A source of the game's input: the person at the window, a replayed file, a
// script. Each gives its inputs, and the answers it brings for the message
// boxes, to the input path (InputPath); adding a source is adding a class
// like this that feeds the path.
namespace korvalo {

class InputSource {
public:
    virtual ~InputSource() = default;

    // Whether a game this source leaves (Esc, close, 終了, No to the question
    // whether to play on) is handed to the person instead of being left: a
    // replay stops where the recorded game was left, and the person plays on.
    virtual bool handsOverWhereLeft() const { return false; }
    // Told once the path has handed the game over where this source left it.
    virtual void handedOver() {}
};

}  // namespace korvalo
