#pragma once
// The board as a screen reader reads it: the drawing area, to the desktop's
// accessibility, holds a table of the 9 x 9 squares, each cell named by its
// square and what stands on it ("e5 黒", "a1 空"), the cursor's cell focused,
// and the turn line ("黒 の番です"). The table's description tells the last
// move and whose turn it is ("黒 が e5 に打ちました。青 の番です").
//
// What it tells follows what the window shows: at each paint the game state
// is compared with what was told last, and each cell whose stone was placed
// or turned, by whoever played, says that its name changed.
#include <QString>
#include <array>

class QAccessibleInterface;
class QWidget;

namespace korvalo {

class KeyboardCursor;
struct GameState;

class AccessibleBoard {
public:
    // The area, the state and the cursor must outlive the board.
    AccessibleBoard(QWidget& area, const GameState& state, const KeyboardCursor& cursor);
    ~AccessibleBoard();
    AccessibleBoard(const AccessibleBoard&) = delete;
    AccessibleBoard& operator=(const AccessibleBoard&) = delete;

    // Takes what the game state shows now, and tells the desktop what changed.
    void refresh();
    // Tells the desktop that the cursor's cell has the focus.
    void cursorMoved();

    // What the board tells, as last taken from the state.
    QString cellName(int column, int row) const;
    QString description() const;
    QString turnLine() const;

    QWidget& area() const { return area_; }
    const KeyboardCursor& cursor() const { return cursor_; }

    // The interface the desktop is given for the area, while it lives (set
    // by the interface itself).
    class AreaInterface;
    AreaInterface* areaInterface = nullptr;

private:
    struct Shown {
        std::array<int, 81> squares{};  // row by row from a1: 0 empty, 1..4 a colour
        int turn = 0;                   // the colour to move, 0 none
        int lastSquare = -1;            // the last move's square, -1 none
        int lastColour = 0;
    };
    Shown take() const;

    QWidget& area_;
    const GameState& state_;
    const KeyboardCursor& cursor_;
    Shown shown_;
};

}  // namespace korvalo
