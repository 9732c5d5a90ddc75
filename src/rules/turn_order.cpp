#include "rules/turn_order.h"

#include "rules/legality.h"

namespace korvalo {

int nextColour(int c)
{
    if (c == black) return blue;
    if (c == blue) return white;
    if (c == white) return red;
    if (c == red) return black;
    return 0;
}

int 置き場所があるか(GameState& s, int c)
{
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y)
            if (置けるか(s, x, y, c) == trueValue)
                return trueValue;
    return falseValue;
}

int 置き場所があるか_手番以外(GameState& s, int c)
{
    for (int d = 1; d <= 4; ++d) {
        if (d == c)
            continue;
        for (int x = 1; x <= 9; ++x)
            for (int y = 1; y <= 9; ++y)
                if (置けるか(s, x, y, d) == trueValue)
                    return trueValue;
    }
    return falseValue;
}

int colourOfMove(const GameState& s, int k)
{
    if (k == 0)
        return black;
    if (k < 1 || k > maxMoves)
        return 0;
    const Position& before = s.history[k - 1];
    const Position& after = s.history[k];
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y)
            if (before[x][y] == emptyValue && after[x][y] != emptyValue)
                return after[x][y];
    return 0;
}

}  // namespace korvalo
