#include "computer/search.h"

#include <vector>

namespace korvalo::strong {

namespace {

// What a finished game is worth to a colour: a first place alone 1000, a
// shared first place 600, any other place nothing.
constexpr int soleFirst = 1000;
constexpr int sharedFirst = 600;

constexpr Bits cornerSquares = bit(indexOf(1, 1)) | bit(indexOf(9, 1)) | bit(indexOf(1, 9)) | bit(indexOf(9, 9));

// The squares diagonally next to the corners that are still free: playing
// there most often hands the corner to another colour.
Bits squaresBesideFreeCorners(Bits occupied)
{
    struct Pair { int corner, beside; };
    static constexpr Pair pairs[] = {{indexOf(1, 1), indexOf(2, 2)}, {indexOf(9, 1), indexOf(8, 2)},
                                     {indexOf(1, 9), indexOf(2, 8)}, {indexOf(9, 9), indexOf(8, 8)}};
    Bits b = 0;
    for (const Pair& p : pairs)
        if (!(occupied & bit(p.corner)))
            b |= bit(p.beside);
    return b;
}

int nthSquare(Bits set, int n)
{
    for (int i = 0; i < n; ++i)
        set &= set - 1;
    return lowestIndex(set);
}

int anyOf(Bits set, Random& random)
{
    return nthSquare(set, random.below(count(set)));
}

int playoutSquare(const Board& b, Bits legal, Playout playout, Random& random)
{
    if (playout == Playout::Corners) {
        if (const Bits corners = legal & cornerSquares)
            return anyOf(corners, random);
        if (const Bits safe = legal & ~squaresBesideFreeCorners(b.occupied()))
            return anyOf(safe, random);
    }
    return anyOf(legal, random);
}

using Rewards = std::array<int, 5>;

Rewards rewardsOf(const Board& b)
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

// The natural logarithm of n >= 1 in 1024ths, from its base-2 logarithm
// worked out bit by bit by squaring.
int64_t logIn1024ths(uint64_t n)
{
    const int whole = 63 - __builtin_clzll(n);
    // n / 2^whole as a fraction in 2^30ths, from 1 up to 2.
    uint64_t z = whole >= 30 ? n >> (whole - 30) : n << (30 - whole);
    int64_t log2 = static_cast<int64_t>(whole) << 10;
    for (int b = 9; b >= 0; --b) {
        z = (z * z) >> 30;
        if (z >= (uint64_t{2} << 30)) {
            z >>= 1;
            log2 |= int64_t{1} << b;
        }
    }
    return (log2 * 710) >> 10;  // ln 2 = 0.6931..., 710/1024 = 0.6933
}

uint64_t squareRoot(uint64_t n)
{
    uint64_t root = 0;
    for (uint64_t b = uint64_t{1} << 62; b != 0; b >>= 2) {
        if (n >= root + b) {
            n -= root + b;
            root = (root >> 1) + b;
        } else {
            root >>= 1;
        }
    }
    return root;
}

struct Node {
    uint32_t firstChild = 0;
    uint8_t children = 0;
    uint8_t square = 0;  // the square played to reach this node
    uint8_t mover = 0;   // the colour that played it
    bool expanded = false;
    uint32_t visits = 0;
    int64_t total = 0;   // the mover's rewards, summed over the visits
};

class Tree {
public:
    Tree(const Board& root, const SearchSettings& settings) : root_(root), settings_(settings), random_(seedOf(root))
    {
        nodes_.push_back(Node{});
    }

    void playOnce()
    {
        Board b = root_;
        Bits legal = legalSquares(b, b.toMove);
        std::array<uint32_t, 100> path{};
        int depth = 0;
        uint32_t at = 0;
        path[depth++] = at;
        while (b.toMove != 0) {
            if (!nodes_[at].expanded)
                expand(at, b, legal);
            at = select(at);
            legal = play(b, b.toMove, nodes_[at].square);
            path[depth++] = at;
            if (nodes_[at].visits == 0)
                break;
        }
        while (b.toMove != 0)
            legal = play(b, b.toMove, playoutSquare(b, legal, settings_.playout, random_));
        const Rewards r = rewardsOf(b);
        nodes_[0].visits++;
        for (int i = 1; i < depth; ++i) {
            Node& n = nodes_[path[i]];
            n.visits++;
            n.total += r[n.mover];
        }
    }

    // The most tried square at the root; the first of them in board order.
    int best() const
    {
        const Node& root = nodes_[0];
        uint32_t bestChild = root.firstChild;
        for (uint32_t i = root.firstChild; i < root.firstChild + root.children; ++i)
            if (nodes_[i].visits > nodes_[bestChild].visits)
                bestChild = i;
        return nodes_[bestChild].square;
    }

    long size() const { return static_cast<long>(nodes_.size()); }

private:
    void expand(uint32_t at, const Board& b, Bits legal)
    {
        const auto first = static_cast<uint32_t>(nodes_.size());
        int children = 0;
        for (; legal; legal &= legal - 1, ++children) {
            Node child;
            child.square = static_cast<uint8_t>(lowestIndex(legal));
            child.mover = static_cast<uint8_t>(b.toMove);
            nodes_.push_back(child);
        }
        Node& n = nodes_[at];
        n.firstChild = first;
        n.children = static_cast<uint8_t>(children);
        n.expanded = true;
    }

    // The child with the best mean reward plus a bonus for being tried
    // less: mean + exploration * sqrt(ln(parent's visits) / visits), in
    // whole numbers. A child never tried comes first.
    uint32_t select(uint32_t at) const
    {
        const Node& n = nodes_[at];
        const uint64_t logVisits = static_cast<uint64_t>(logIn1024ths(n.visits > 0 ? n.visits : 1));
        uint32_t chosen = n.firstChild;
        int64_t bestScore = INT64_MIN;
        for (uint32_t i = n.firstChild; i < n.firstChild + n.children; ++i) {
            const Node& c = nodes_[i];
            if (c.visits == 0)
                return i;
            // sqrt(ln N / v) in 2^15ths: ln N is in 2^10ths, so scale by 2^20.
            const auto bonus = static_cast<int64_t>(squareRoot((logVisits << 20) / c.visits));
            const int64_t score = c.total * 32768 / c.visits + settings_.exploration * bonus;
            if (score > bestScore) {
                bestScore = score;
                chosen = i;
            }
        }
        return chosen;
    }

    Board root_;
    SearchSettings settings_;
    Random random_;
    std::vector<Node> nodes_;
};

}  // namespace

Bits play(Board& b, int c, int index)
{
    const Bits turned = turnedBy(b, c, index);
    for (int other = 1; other <= 4; ++other)
        b.stones[other] &= ~turned;
    b.stones[c] |= turned | bit(index);
    for (int k = 1; k <= 4; ++k) {
        const int next = (c - 1 + k) % 4 + 1;
        if (const Bits legal = legalSquares(b, next)) {
            b.toMove = next;
            return legal;
        }
    }
    b.toMove = 0;
    return 0;
}

Board boardOf(const Grid& board, int c)
{
    Board b;
    for (int column = 1; column <= 9; ++column)
        for (int row = 1; row <= 9; ++row)
            if (const int cell = board[column][row]; cell >= black && cell <= red)
                b.stones[cell] |= bit(indexOf(column, row));
    b.toMove = c;
    return b;
}

uint64_t seedOf(const Board& b)
{
    Random mix(static_cast<uint64_t>(b.toMove));
    uint64_t seed = mix.next();
    for (int c = 1; c <= 4; ++c) {
        seed = Random(seed ^ static_cast<uint64_t>(b.stones[c])).next();
        seed = Random(seed ^ static_cast<uint64_t>(b.stones[c] >> 64)).next();
    }
    return seed;
}

std::optional<std::pair<int, int>> chooseSquare(const Grid& board, int c, const SearchSettings& settings,
                                                SearchStats* stats)
{
    const Board root = boardOf(board, c);
    const Bits legal = legalSquares(root, c);
    if (!legal)
        return std::nullopt;
    int square = lowestIndex(legal);
    // With one square there is nothing to weigh.
    if (count(legal) > 1) {
        Tree tree(root, settings);
        for (int i = 0; i < settings.playouts; ++i)
            tree.playOnce();
        square = tree.best();
        if (stats) {
            stats->playouts += settings.playouts;
            stats->nodes += tree.size();
        }
    }
    return std::pair{columnOf(square), rowOf(square)};
}

}  // namespace korvalo::strong
