// The turning of one enclosed piece: six frames a tenth of a second apart.
#include "display/pictures.h"
#include "display/board_display.h"

namespace korvalo {

namespace {
constexpr double frameSeconds = 0.1;
}

void BoardDisplay::描画_駒回転(int x, int y, int c)
{
    // The old colour comes from the board: the caller stores the new colour
    // only after the animation. Frames 1..3 of the old set, 4 and 5 of the
    // new, then the new piece at rest. A frame whose colour is no colour code
    // draws nothing but keeps its time on screen.
    auto frame = [&](std::optional<Picture> set, int element) {
        if (set)
            ui_.copyPicture(*set, element, twipsX(x), twipsY(y));
        ui_.refresh();
        待ち時間(frameSeconds);
    };
    for (int i = 1; i <= 3; ++i)
        frame(pieceSet(s.board[x][y]), i);
    for (int i = 4; i <= 5; ++i)
        frame(pieceSet(c), i);
    frame(pieceSet(c), pieceAtRest);
}

}  // namespace korvalo
