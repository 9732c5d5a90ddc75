#include "computer/levels.h"

#include "computer/search.h"

namespace korvalo {

namespace {

// The beginner: one move in two any legal square, else the square that
// turns the most stones, the first of them in board order. It takes no
// account of corners or edges, so it gives them away as a beginner does.
int beginnersSquare(const strong::Board& b, strong::Bits legal, strong::Random& random)
{
    if (random.below(2) == 0)
        return strong::anyOf(legal, random);
    int best = strong::lowestIndex(legal);
    int most = -1;
    for (; legal; legal &= legal - 1) {
        const int index = strong::lowestIndex(legal);
        if (const int turned = strong::count(strong::turnedBy(b, b.toMove, index)); turned > most) {
            most = turned;
            best = index;
        }
    }
    return best;
}

}  // namespace

std::optional<int> levelOf(const std::string& word)
{
    if (word == "standard")
        return standardLevel;
    if (word == "strong")
        return strongestLevel;
    if (word.size() == 1 && word[0] >= '0' + weakestLevel && word[0] <= '0' + strongestLevel)
        return word[0] - '0';
    return std::nullopt;
}

namespace strong {

SearchSettings levelSettings(int level)
{
    SearchSettings settings;
    settings.salt = static_cast<uint64_t>(level);
    switch (level) {
    // Each level a step above the one below in whole games (bench/computer.sh):
    // level 3 plays out at random, level 4 with the corner rule and more work.
    case 3:
        settings.work = 30000;
        settings.playout = Playout::Uniform;
        break;
    case 4:
        settings.work = 100000;
        settings.playout = Playout::Corners;
        break;
    default:
        // Playouts by classes of squares and Progressive History lost
        // against these settings in whole games, so they stay out.
        // The most work that keeps a move within half a second of processor
        // time (median) on a slow machine; games near the end count at least
        // 24 moves, so that the few moves left do not make a move last longer.
        settings.work = 2600000;
        settings.leastGameWork = 24;
        settings.playout = Playout::Corners;
        settings.solveEmpty = 12;
        settings.solveNodes = 400000;
        break;
    }
    return settings;
}

}  // namespace strong

std::optional<std::pair<int, int>> chooseSquareAt(const Grid& board, int c, int level)
{
    if (level != weakestLevel)
        return strong::chooseSquare(board, c, strong::levelSettings(level));
    const strong::Board b = strong::boardOf(board, c);
    const strong::Bits legal = strong::legalSquares(b, c);
    if (!legal)
        return std::nullopt;
    strong::Random random(strong::seedOf(b) ^ strong::Random(static_cast<uint64_t>(level)).next());
    const int index = beginnersSquare(b, legal, random);
    return std::pair{strong::columnOf(index), strong::rowOf(index)};
}

}  // namespace korvalo
