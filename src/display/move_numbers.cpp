// The move numbers written on the pieces of the shown position.
#include <algorithm>
#include <string>

#include "display/pictures.h"
#include "display/board_display.h"

namespace korvalo {

void BoardDisplay::描画_全手順番号()
{
    // The colour of a number follows the piece lying on the square now; a
    // square that is empty in the shown position (a later move after a step
    // back) gets no number.
    const int last = std::min(s.lastMoveNumber, maxMoves);
    for (int n = 1; n <= last; ++n) {
        const int x = s.moveColumn[n];
        const int y = s.moveRow[n];
        if (x < 1 || x > 9 || y < 1 || y > 9)
            continue;
        const int piece = s.board[x][y];
        if (piece == emptyValue)
            continue;
        if (piece == blue || piece == black || piece == red)
            描画_手順番号(x, y, n, whiteColour);
        else if (piece == white)
            描画_手順番号(x, y, n, rgb(0, 0, 0));
    }
}

void BoardDisplay::描画_手順番号(int x, int y, int n, int colour)
{
    // Two digits start further left so that both sit in the middle of the piece.
    const double offset = n < 10 ? 0.4 : 0.3;
    描画_文字列(x + offset, y + 0.2, std::to_string(n), 14, colour);
}

}  // namespace korvalo
