// The count-out at the end of a game: the board is wiped and each colour's
// pieces are laid out again from its own corner, one piece per colour a step.
#include <array>

#include "display/pictures.h"
#include "display/board_display.h"

namespace korvalo {

namespace {

// viewBoard serves as the record of squares taken during the count-out.
constexpr int takenSquare = 1;

// Calls visit(x, y) for the squares in colour c's order until it answers true:
// black up from the bottom-right corner column by column leftwards, blue
// rightwards from the bottom-left corner row by row upwards, white down from
// the top-left corner column by column rightwards, red leftwards from the
// top-right corner row by row downwards.
template <typename Visit>
void walkFromCorner(int c, Visit visit)
{
    for (int outer = 1; outer <= 9; ++outer) {
        for (int inner = 1; inner <= 9; ++inner) {
            const int back = 10 - outer;
            const int down = 10 - inner;
            bool found = false;
            if (c == black)
                found = visit(back, down);
            else if (c == blue)
                found = visit(inner, back);
            else if (c == white)
                found = visit(outer, inner);
            else if (c == red)
                found = visit(down, outer);
            else
                return;
            if (found)
                return;
        }
    }
}

}  // namespace

void BoardDisplay::取得_色座標(int c, int& column, int& row)
{
    // A full board leaves the outputs unwritten.
    walkFromCorner(c, [&](int x, int y) {
        if (s.viewBoard[x][y] != emptyValue)
            return false;
        s.viewBoard[x][y] = takenSquare;
        column = x;
        row = y;
        return true;
    });
}

void BoardDisplay::描画_判定(int nBlack, int nBlue, int nWhite, int nRed)
{
    const std::array<int, 5> counts = {0, nBlack, nBlue, nWhite, nRed};
    std::array<int, 5> shown = {0, 1, 1, 1, 1};  // number of each colour's next piece

    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) {
            s.viewBoard[x][y] = emptyValue;
            描画_桝(x, y);
        }
    }
    bool placed = false;
    ui_.refresh();
    待ち時間(0.5);

    for (int step = 1; step <= 81; ++step) {
        for (int c = black; c <= red; ++c) {
            if (shown[c] > counts[c])
                continue;
            placed = true;
            int x = 0;
            int y = 0;
            取得_色座標(c, x, y);
            // More than 81 pieces in all cannot be counted out; a piece with
            // no free square left is not drawn.
            if (x != 0)
                描画_駒(x, y, c);
            ++shown[c];
        }
        if (placed) {
            sounds_.playStone();
            placed = false;
            ui_.refresh();
            待ち時間(0.2);
        }
    }
}

}  // namespace korvalo
