#include "computer/end_search.h"

namespace korvalo::strong {

namespace {

// The exact search of the rest of a game: every colour plays for its own
// result, the first of equal squares in board order.
class Solver {
public:
    Solver(int sharedFirst, long nodes) : sharedFirst_(sharedFirst), nodes_(nodes), left_(nodes) {}

    // The results at the end of the game from b; failed() once the nodes
    // ran out.
    Rewards solve(const Board& b, Bits legal, int* square = nullptr)
    {
        if (b.toMove == 0)
            return rewardsOf(b, sharedFirst_);
        if (--left_ < 0)
            return {};
        const int mover = b.toMove;
        Rewards best{};
        best[mover] = -1;
        for (; legal; legal &= legal - 1) {
            Board next = b;
            const int index = lowestIndex(legal);
            const Bits after = play(next, mover, index);
            const Rewards r = solve(next, after);
            if (failed())
                return {};
            if (r[mover] > best[mover]) {
                best = r;
                if (square)
                    *square = index;
            }
        }
        return best;
    }
    bool failed() const { return left_ < 0; }
    long searched() const { return nodes_ - (left_ < 0 ? 0 : left_); }

private:
    int sharedFirst_;
    long nodes_;
    long left_;
};

}  // namespace

Rewards rewardsOf(const Board& b, int sharedFirst)
{
    std::array<int, 5> stones{};
    int most = 0;
    for (int c = 1; c <= 4; ++c) {
        stones[c] = count(b.stones[c]);
        most = stones[c] > most ? stones[c] : most;
    }
    int firsts = 0;
    for (int c = 1; c <= 4; ++c)
        firsts += stones[c] == most;
    Rewards r{};
    for (int c = 1; c <= 4; ++c)
        r[c] = stones[c] == most ? (firsts == 1 ? soleFirst : sharedFirst) : 0;
    return r;
}

std::optional<int> solvedSquare(const Board& b, int sharedFirst, long nodes, long* searched)
{
    Solver solver(sharedFirst, nodes);
    int square = -1;
    const Rewards r = solver.solve(b, legalSquares(b, b.toMove), &square);
    *searched += solver.searched();
    if (solver.failed() || r[b.toMove] <= 0)
        return std::nullopt;
    return square;
}

}  // namespace korvalo::strong
