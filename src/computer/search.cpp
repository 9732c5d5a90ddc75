#include "computer/search.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "computer/end_search.h"
#include "computer/evaluation.h"
#include "computer/playout.h"

namespace korvalo::strong {

namespace {

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

// The whole square root of n, rounded down. The floating-point root is at
// most one off (a double holds n to 53 bits); the steps after it make it
// exact, so the result is the same on every machine.
uint64_t squareRoot(uint64_t n)
{
    constexpr uint64_t largest = 0xFFFFFFFF;  // the root of 2^64 - 1
    uint64_t root = std::min(static_cast<uint64_t>(std::sqrt(static_cast<double>(n))), largest);
    while (root * root > n)
        --root;
    while (root < largest && (root + 1) * (root + 1) <= n)
        ++root;
    return root;
}

// What a node's prior tries count, in thousandths of a sole first, by the
// class of its square.
constexpr std::array<int64_t, 5> priorResults{500, 300, 250, 150, 80};

// What an evaluation costs in the work, as moves: about the time of this
// many.
constexpr int evaluationCost = 6;

struct Node {
    uint32_t firstChild = 0;
    uint16_t children = 0;  // best reply: up to three colours' squares
    uint8_t square = 0;  // the square played to reach this node
    uint8_t mover = 0;   // the colour that played it
    bool expanded = false;
    uint32_t visits = 0;
    int64_t total = 0;   // the mover's rewards, summed over the visits
};

class Tree {
public:
    Tree(const Board& root, const SearchSettings& settings)
        : root_(root), settings_(settings), random_(seedOf(root) ^ Random(settings.salt).next())
    {
        nodes_.push_back(Node{});
    }

    // Plays one game from the root to its end; returns the moves played.
    int playOnce()
    {
        Board b = root_;
        Bits legal = legalSquares(b, b.toMove);
        std::array<uint32_t, 100> path{};
        // Every move of the game, its colour and square, for the history.
        std::array<uint8_t, 100> movers{}, played{};
        int depth = 0, moves = 0;
        uint32_t at = 0;
        path[depth++] = at;
        const int own = root_.toMove;
        const bool bestReply = settings_.backup == Backup::BestReply;
        while (b.toMove != 0) {
            if (!nodes_[at].expanded)
                expand(at, b, legal);
            at = select(at);
            const int mover = nodes_[at].mover;
            movers[moves] = static_cast<uint8_t>(mover);
            played[moves++] = nodes_[at].square;
            legal = play(b, mover, nodes_[at].square);
            // After a reply the searching colour moves next when it can;
            // when it cannot, the others reply again, as the game would hand
            // the move on past it.
            if (bestReply && mover != own)
                if (const Bits ownLegal = legalSquares(b, own)) {
                    b.toMove = own;
                    legal = ownLegal;
                }
            path[depth++] = at;
            // A node no game has gone through yet holds only its prior tries.
            if (nodes_[at].visits == static_cast<uint32_t>(settings_.prior))
                break;
        }
        for (int quick = 0; b.toMove != 0 && quick != settings_.evaluateAfter; ++quick) {
            const int square = playoutSquare(b, legal, settings_, random_);
            movers[moves] = static_cast<uint8_t>(b.toMove);
            played[moves++] = static_cast<uint8_t>(square);
            legal = play(b, b.toMove, square);
        }
        const bool early = b.toMove != 0;
        const Rewards r = early ? estimatedRewards(b) : rewardsOf(b, settings_.sharedFirst);
        nodes_[0].visits++;
        for (int i = 1; i < depth; ++i) {
            Node& n = nodes_[path[i]];
            n.visits++;
            if (settings_.backup == Backup::MaxN || n.mover == own)
                n.total += r[n.mover];
            else
                n.total += soleFirst - r[own];
        }
        if (settings_.history > 0)
            for (int i = 0; i < moves; ++i) {
                History& h = history_[movers[i]][played[i]];
                h.total += r[movers[i]];
                h.count++;
            }
        return std::max(moves + (early ? evaluationCost : 0), settings_.leastGameWork);
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
    struct History {
        int64_t total = 0;  // the colour's results of the games it played the square in
        int64_t count = 0;
    };

    // The children of a node: the squares of the colour to move; with best
    // reply, when that is not the searching colour, the squares of every
    // other colour that can play, in turn order after the searching colour,
    // each played as if the others passed.
    void expand(uint32_t at, const Board& b, Bits legal)
    {
        const auto first = static_cast<uint32_t>(nodes_.size());
        const int own = root_.toMove;
        int children = 0;
        const Bits occupied = b.occupied();
        const auto add = [&](int mover, Bits set) {
            const Classes classes = classesOf(set, occupied);
            for (; set; set &= set - 1, ++children) {
                Node child;
                child.square = static_cast<uint8_t>(lowestIndex(set));
                child.mover = static_cast<uint8_t>(mover);
                if (settings_.prior > 0) {
                    const int k = static_cast<int>(std::find_if(classes.begin(), classes.end(), [&](Bits c) {
                                                       return (c & bit(child.square)) != 0;
                                                   }) - classes.begin());
                    child.visits = static_cast<uint32_t>(settings_.prior);
                    child.total = int64_t{settings_.prior} * priorResults[k];
                }
                nodes_.push_back(child);
            }
        };
        if (settings_.backup == Backup::BestReply && b.toMove != own)
            for (int k = 1; k <= 3; ++k) {
                const int other = (own - 1 + k) % 4 + 1;
                add(other, other == b.toMove ? legal : legalSquares(b, other));
            }
        else
            add(b.toMove, legal);
        Node& n = nodes_[at];
        n.firstChild = first;
        n.children = static_cast<uint16_t>(children);
        n.expanded = true;
    }

    // A square's mean result for the colour, in thousandths of soleFirst
    // times 2^15; half of soleFirst before it was ever played.
    int64_t historyMean(const Node& c) const
    {
        const History& h = history_[c.mover][c.square];
        return h.count ? h.total * 32768 / h.count : int64_t{soleFirst / 2} * 32768;
    }

    // The child with the best mean reward plus a bonus for being tried
    // less: mean + exploration * sqrt(ln(parent's visits) / visits), in
    // whole numbers, with Progressive History's weight * history mean /
    // ((1 - mean) * visits + 1). A child never tried comes first: the one
    // with the best history, or the first in board order.
    uint32_t select(uint32_t at) const
    {
        const Node& n = nodes_[at];
        const bool history = settings_.history > 0;
        const uint64_t logVisits = static_cast<uint64_t>(logIn1024ths(n.visits > 0 ? n.visits : 1));
        uint32_t chosen = n.firstChild;
        int64_t bestScore = INT64_MIN;
        bool untried = false;
        for (uint32_t i = n.firstChild; i < n.firstChild + n.children; ++i) {
            const Node& c = nodes_[i];
            if (c.visits == 0) {
                if (!history)
                    return i;
                const int64_t score = historyMean(c);
                if (!untried || score > bestScore) {
                    bestScore = score;
                    chosen = i;
                }
                untried = true;
                continue;
            }
            if (untried)
                continue;
            // sqrt(ln N / v) in 2^15ths: ln N is in 2^10ths, so scale by 2^20.
            const auto bonus = static_cast<int64_t>(squareRoot((logVisits << 20) / c.visits));
            const int64_t mean = c.total * 32768 / c.visits;
            int64_t score = mean + settings_.exploration * bonus;
            if (history) {
                const int64_t lost = (int64_t{soleFirst} * 32768 - mean) * c.visits / (int64_t{soleFirst} * 32768);
                score += settings_.history * historyMean(c) / 1000 / (lost + 1);
            }
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
    std::array<std::array<History, squares>, 5> history_{};
};

}  // namespace

Bits play(Board& b, int c, int index)
{
    place(b, c, index);
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
        std::optional<int> solved;
        long moves = 0;
        if (squares - count(root.occupied()) <= settings.solveEmpty)
            solved = solvedSquare(root, settings.sharedFirst, settings.solveNodes, &moves);
        if (solved) {
            square = *solved;
            if (stats)
                stats->solved++;
        } else {
            Tree tree(root, settings);
            // At least one game, so that the square is one of the tree's
            // even when an exact search that gave up used up the work.
            long playouts = 0;
            for (; moves < settings.work || playouts == 0; ++playouts)
                moves += tree.playOnce();
            square = tree.best();
            if (stats) {
                stats->playouts += playouts;
                stats->moves += moves;
                stats->nodes += tree.size();
            }
        }
    }
    return std::pair{columnOf(square), rowOf(square)};
}

}  // namespace korvalo::strong
