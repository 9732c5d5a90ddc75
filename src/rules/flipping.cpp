#include "rules/flipping.h"

#include "rules/legality.h"

namespace korvalo {

void 反転(GameState& s, int x, int y, int c, const BeforeTurn& beforeTurn)
{
    const int k = s.playerKind[c];
    struct Direction { int dx, dy; };
    // Down-right is turned before up-right, unlike the probe order of 置けるか.
    static constexpr Direction order[] = {{-1, 0}, {+1, 0}, {0, -1}, {0, +1},
                                          {-1, -1}, {-1, +1}, {+1, +1}, {+1, -1}};
    for (const Direction d : order) {
        if (probeLine(s, x, y, k, d.dx, d.dy) != trueValue)
            continue;
        // viewBoard is left as it was, so the walk ends on the own stone the
        // probe found.
        for (int i = x + d.dx, j = y + d.dy; s.viewBoard[i][j] != k; i += d.dx, j += d.dy) {
            if (beforeTurn)
                beforeTurn(i, j);
            s.board[i][j] = c;
        }
    }
}

}  // namespace korvalo
