#include "computer/playout.h"

namespace korvalo::strong {

namespace {

constexpr Bits cornerSquares = bit(indexOf(1, 1)) | bit(indexOf(9, 1)) | bit(indexOf(1, 9)) | bit(indexOf(9, 9));
constexpr Bits edgeSquares = columnSquares(1) | columnSquares(9) | (Bits{0x1FF} << indexOf(1, 1)) |
                             (Bits{0x1FF} << indexOf(1, 9));

// The square of set's bit n (from 0, in board order), given how many of
// set's bits are in its low 64.
int nthSquare(Bits set, int lowCount, int n)
{
    auto half = static_cast<uint64_t>(set);
    int base = 0;
    if (n >= lowCount) {
        half = static_cast<uint64_t>(set >> 64);
        base = 64;
        n -= lowCount;
    }
    for (; n > 0; --n)
        half &= half - 1;
    return base + __builtin_ctzll(half);
}

// A square of the classes 1 to 4, each square drawn with its class's weight.
int weightedSquare(const Classes& classes, const std::array<int, 4>& weights, Random& random)
{
    int total = 0;
    for (int k = 0; k < 4; ++k)
        total += weights[k] * count(classes[k + 1]);
    int n = random.below(total);
    for (int k = 0; k < 4; ++k) {
        const Bits set = classes[k + 1];
        if (const int here = weights[k] * count(set); n >= here)
            n -= here;
        else
            return nthSquare(set, __builtin_popcountll(static_cast<uint64_t>(set)), n / weights[k]);
    }
    return -1;  // not reached: n < total
}

// Whether colour c playing on index lets one of the `watched` colours after
// it in turn order take a corner: a free one with a stone next to it.
bool givesCorner(const Board& b, int c, int index, int watched)
{
    Board after = b;
    place(after, c, index);
    const Bits occupied = after.occupied();
    for (const Corner& k : corners)
        if (!(occupied & bit(k.corner)) && (occupied & (k.edge | k.diagonal)))
            for (int w = 1; w <= watched; ++w)
                if (turnedBy(after, (c - 1 + w) % 4 + 1, k.corner))
                    return true;
    return false;
}

}  // namespace

Classes classesOf(Bits set, Bits occupied)
{
    Bits edgeNext = 0, diagonalNext = 0;
    for (const Corner& c : corners)
        if (!(occupied & bit(c.corner))) {
            edgeNext |= c.edge;
            diagonalNext |= c.diagonal;
        }
    return {set & cornerSquares, set & edgeSquares & ~cornerSquares & ~edgeNext, set & ~edgeSquares & ~diagonalNext,
            set & edgeNext, set & diagonalNext};
}

int playoutSquare(const Board& b, Bits legal, const SearchSettings& settings, Random& random)
{
    if (settings.playout == Playout::Uniform)
        return anyOf(legal, random);
    const Classes classes = classesOf(legal, b.occupied());
    if (classes[0])
        return anyOf(classes[0], random);
    switch (settings.playout) {
    case Playout::Corners:
        if (const Bits safe = classes[1] | classes[2] | classes[3])
            return anyOf(safe, random);
        break;
    case Playout::Guard:
        if (const Bits allowed = classes[1] | classes[2] | classes[3]) {
            // A square drawn that gives a corner away is put aside, up to
            // `tries` of them; then any square not put aside, or any at all
            // when every one was.
            Bits pool = allowed;
            for (int k = 0; k < settings.tries && pool; ++k) {
                const int square = anyOf(pool, random);
                if (!givesCorner(b, b.toMove, square, settings.watched))
                    return square;
                pool &= ~bit(square);
            }
            return anyOf(pool ? pool : allowed, random);
        }
        break;
    case Playout::Safe:
        if (const Bits safe = classes[1] | classes[2])
            return anyOf(safe, random);
        break;
    case Playout::Weighted:
        return weightedSquare(classes, settings.weights, random);
    default:
        if (random.below(1000) < settings.epsilon)
            break;
        for (int k = 1; k < 4; ++k)
            if (classes[k])
                return anyOf(classes[k], random);
    }
    return anyOf(legal, random);
}

int anyOf(Bits set, Random& random)
{
    const int lowCount = __builtin_popcountll(static_cast<uint64_t>(set));
    const int n = random.below(lowCount + __builtin_popcountll(static_cast<uint64_t>(set >> 64)));
    return nthSquare(set, lowCount, n);
}

}  // namespace korvalo::strong
