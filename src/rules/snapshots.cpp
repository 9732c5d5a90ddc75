#include "rules/snapshots.h"

namespace korvalo {

void 保存_オセロ盤(GameState& s, int n)
{
    if (n < 0 || n > maxMoves)
        return;
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y)
            s.history[n][x][y] = s.board[x][y];
}

void 読出_オセロ盤(GameState& s, int n)
{
    if (n < 0 || n > maxMoves)
        return;
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y)
            s.board[x][y] = s.history[n][x][y];
}

}  // namespace korvalo
