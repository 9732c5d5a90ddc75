#include "rules/legality.h"

namespace korvalo {

int probeLine(const GameState& s, int x, int y, int k, int dx, int dy)
{
    const Grid& v = s.viewBoard;
    if (v[x + dx][y + dy] != -k)
        return falseValue;
    int i = x + 2 * dx;
    int j = y + 2 * dy;
    // The ring (index 0 and 10) never holds +-1, so the walk stops there.
    while (v[i][j] == -k) {
        i += dx;
        j += dy;
    }
    return v[i][j] == k ? trueValue : falseValue;
}

int 置けるか_左(const GameState& s, int x, int y, int k) { return probeLine(s, x, y, k, -1, 0); }
int 置けるか_右(const GameState& s, int x, int y, int k) { return probeLine(s, x, y, k, +1, 0); }
int 置けるか_上(const GameState& s, int x, int y, int k) { return probeLine(s, x, y, k, 0, -1); }
int 置けるか_下(const GameState& s, int x, int y, int k) { return probeLine(s, x, y, k, 0, +1); }
int 置けるか_左上(const GameState& s, int x, int y, int k) { return probeLine(s, x, y, k, -1, -1); }
int 置けるか_左下(const GameState& s, int x, int y, int k) { return probeLine(s, x, y, k, -1, +1); }
int 置けるか_右上(const GameState& s, int x, int y, int k) { return probeLine(s, x, y, k, +1, -1); }
int 置けるか_右下(const GameState& s, int x, int y, int k) { return probeLine(s, x, y, k, +1, +1); }

int 置けるか(GameState& s, int x, int y, int c)
{
    const int k = s.playerKind[c];
    for (int i = 1; i <= 9; ++i) {
        for (int j = 1; j <= 9; ++j) {
            const int cell = s.board[i][j];
            s.viewBoard[i][j] = cell == emptyValue ? emptyValue : (cell == c ? k : -k);
        }
    }
    if (x < 1 || x > 9 || y < 1 || y > 9 || s.viewBoard[x][y] != emptyValue)
        return falseValue;
    using Probe = int (*)(const GameState&, int, int, int);
    static constexpr Probe probes[] = {置けるか_左, 置けるか_右, 置けるか_上, 置けるか_下,
                                       置けるか_左上, 置けるか_左下, 置けるか_右上, 置けるか_右下};
    for (Probe probe : probes) {
        if (probe(s, x, y, k) == trueValue)
            return trueValue;
    }
    return falseValue;
}

}  // namespace korvalo
