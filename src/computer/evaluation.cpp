#include "computer/evaluation.h"

#include <algorithm>

#include "computer/evaluation_weights.h"

namespace korvalo::strong {

namespace {

// The class of each square: its distances to the nearest row edge and the
// nearest column edge (0 to 4), the smaller first, numbered 0 to 14.
constexpr std::array<Bits, 15> makeClasses()
{
    std::array<Bits, 15> classes{};
    for (int index = 0; index < squares; ++index) {
        const int column = columnOf(index) - 1, row = rowOf(index) - 1;
        const int a = std::min(column, 8 - column), r = std::min(row, 8 - row);
        const int low = std::min(a, r), high = std::max(a, r);
        classes[low * 5 - low * (low - 1) / 2 + high - low] |= bit(index);
    }
    return classes;
}
constexpr std::array<Bits, 15> classes = makeClasses();

// The squares next to any of set's, in the eight directions.
Bits neighbours(Bits set)
{
    return (shifted<1>(set) & landing<1>) | (shifted<-1>(set) & landing<-1>) | shifted<9>(set) |
           shifted<-9>(set) | (shifted<10>(set) & landing<10>) | (shifted<-10>(set) & landing<-10>) |
           (shifted<8>(set) & landing<8>) | (shifted<-8>(set) & landing<-8>);
}

// The stones of own on an edge that a run of them joins to an own corner:
// no other colour can turn them.
int anchored(Bits own)
{
    int n = 0;
    for (const Corner& corner : corners) {
        if (!(own & bit(corner.corner)))
            continue;
        const int column = columnOf(corner.corner), row = rowOf(corner.corner);
        const int across = column == 1 ? 1 : -1, down = row == 1 ? 1 : -1;
        for (int k = 1; k < 9 && (own & bit(indexOf(column + k * across, row))); ++k)
            ++n;
        for (int k = 1; k < 9 && (own & bit(indexOf(column, row + k * down))); ++k)
            ++n;
    }
    return n;
}

// e^(-d/256) in 65536ths for d = 0..4095, worked out by the compiler:
// e^x for x <= 1/16 by its series, squared back up.
constexpr double exponential(double x)
{
    int halvings = 0;
    while (x > 1.0 / 16) {
        x /= 2;
        ++halvings;
    }
    double sum = 1, term = 1;
    for (int n = 1; n < 20; ++n) {
        term *= x / n;
        sum += term;
    }
    for (; halvings > 0; --halvings)
        sum *= sum;
    return sum;
}
constexpr int spread = 4096;
constexpr std::array<int64_t, spread> makeFalling()
{
    std::array<int64_t, spread> table{};
    for (int d = 0; d < spread; ++d)
        table[d] = static_cast<int64_t>(65536.0 / exponential(d / 256.0) + 0.5);
    return table;
}
constexpr std::array<int64_t, spread> falling = makeFalling();

}  // namespace

Features featuresOf(const Board& b, int c)
{
    Features f{};
    const Bits own = b.stones[c];
    for (int k = 0; k < 15; ++k)
        f[k] = count(own & classes[k]);
    f[15] = count(legalSquares(b, c));
    const Bits occupied = b.occupied();
    for (const Corner& corner : corners)
        if (!(occupied & bit(corner.corner))) {
            f[16] += count(own & corner.diagonal);
            f[17] += count(own & corner.edge);
        }
    f[18] = count(own & neighbours(allSquares & ~occupied));
    f[19] = anchored(own);
    const int after = (c - b.toMove + 4) % 4;
    if (after > 0)
        f[19 + after] = 1;
    return f;
}

int stageOf(const Board& b)
{
    const int free = squares - count(b.occupied());
    return free >= 48 ? 0 : free >= 32 ? 1 : free >= 16 ? 2 : 3;
}

Rewards estimatedRewards(const Board& b)
{
    const auto& w = fittedWeights[stageOf(b)];
    std::array<int64_t, 5> score{};
    for (int c = 1; c <= 4; ++c) {
        const Features f = featuresOf(b, c);
        for (int i = 0; i < features; ++i)
            score[c] += int64_t{w[i]} * f[i];
    }
    const int64_t best = *std::max_element(score.begin() + 1, score.end());
    std::array<int64_t, 5> share{};
    int64_t total = 0;
    for (int c = 1; c <= 4; ++c)
        total += share[c] = falling[std::min<int64_t>(best - score[c], spread - 1)];
    Rewards r{};
    for (int c = 1; c <= 4; ++c)
        r[c] = static_cast<int>(share[c] * soleFirst / total);
    return r;
}

}  // namespace korvalo::strong
