#include "net/join.h"

namespace korvalo::net {

bool Join::keepsSquare(int column, int row)
{
    // Each computer move takes one square: from this position at most one an
    // empty square, and as many again for each input waiting, which may step
    // back or start a new game.
    std::size_t empty = 0;
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r)
            empty += state_.board[c][r] == emptyValue;
    return !computerSquare || computerSquare(column, row, empty * (1 + path_.inputsWaiting()));
}

}  // namespace korvalo::net
