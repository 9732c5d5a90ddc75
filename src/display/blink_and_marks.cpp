// The blinking of a newly played piece and the marks on the squares where a
// colour may play.
#include "display/pictures.h"
#include "display/board_display.h"
#include "rules/legality.h"

namespace korvalo {

void BoardDisplay::描画_駒点滅(int x, int y, int c, int n)
{
    // Each blink shows the empty square, then the piece, 0.1 s each, so the
    // square ends showing the piece.
    for (int i = 1; i <= n; ++i) {
        描画_桝(x, y);
        ui_.refresh();
        待ち時間(0.1);
        描画_駒(x, y, c);
        ui_.refresh();
        待ち時間(0.1);
    }
}

void BoardDisplay::描画_措可桝(int c)
{
    // No refresh: the marks show when the click handler returns, and the
    // button release draws the squares again. Rebuilds viewBoard for c.
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y)
            if (置けるか(s, x, y, c) == trueValue)
                描画_駒(x, y, markValue);
}

}  // namespace korvalo
