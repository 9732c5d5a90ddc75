// The ladder of computer levels measured in whole games, played on the
// search's own board (computer/bitboard.h, whose moves and hand-on the tests
// hold to the game's rules). Every opening, the first moves of a game drawn
// at random from its number, is played with the one player at each of the
// four seats and three of the other kind at the rest. A player ranks first
// when no colour ends with more stones; a first place shared counts half.
//
// Prints one table: each level against three of the level below, the
// square-value player (the standard choice, one move in seven at random) and
// the most-stones player against three of each level; the processor time a
// move of each level (median, maximum) and the peak memory before and after
// the searches. Or, with --one and --rest, one series of two players given
// as a level and settings of the search, to compare them.
//
// With --positions FILE, --one plays N games against itself instead, and
// each position after the opening is written to FILE for
// korvalo_fit_evaluation.
//
//   korvalo_computer_bench [--games N] [--levels 1-5] [--series S] [--one PLAYER --rest PLAYER]
//   korvalo_computer_bench --games N [--series S] --one PLAYER --positions FILE
//   (--series: which openings a --one series plays, 1 unless given)
//   PLAYER: a level, square-value or most-stones; a searching level may be
//   followed by ,key=value settings: work, playout (uniform, corners,
//   safe, weighted, classes, guard), weights (a:b:c:d), epsilon, tries and
//   watched (guard: draws put aside, colours watched 1-3), evaluate
//   (playout moves before the evaluation's estimate ends one), exploration,
//   history, prior, backup (maxn, paranoid, bestreply), shared, solve (free
//   squares), solve-nodes, least (the least work a game counts, in moves)
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "computer/end_search.h"
#include "computer/evaluation.h"
#include "computer/levels.h"
#include "computer/move_choice.h"
#include "computer/search.h"

namespace {

using namespace korvalo;
using strong::Bits;
using strong::Board;

// Every game opens with this many moves at random, so that players who
// choose the same square in the same position meet in different games.
constexpr int openingMoves = 4;

struct Player {
    std::string name;
    int level = 0;  // 1..5; 0: square-value (sevenths at random) or most-stones
    bool mostStones = false;
    bool tuned = false;  // level with settings of its own
    strong::SearchSettings settings;
};

std::map<std::string, std::vector<double>> moveSeconds;  // by player name

double threadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

Grid gridOf(const Board& b)
{
    Grid g{};
    for (int c = 1; c <= 4; ++c)
        for (Bits s = b.stones[c]; s; s &= s - 1) {
            const int i = strong::lowestIndex(s);
            g[strong::columnOf(i)][strong::rowOf(i)] = c;
        }
    return g;
}

// The standard choice: the best square value, the first of equals in the
// hand's scan order (column by column, top to bottom).
int standardSquare(Bits legal)
{
    int best = -1, bestValue = 0;
    for (int column = 1; column <= 9; ++column)
        for (int row = 1; row <= 9; ++row)
            if (legal & strong::bit(strong::indexOf(column, row)))
                if (const int v = 取得_評価値(column, row); best < 0 || v > bestValue) {
                    best = strong::indexOf(column, row);
                    bestValue = v;
                }
    return best;
}

int mostStonesSquare(const Board& b, Bits legal)
{
    int best = -1, most = -1;
    for (int column = 1; column <= 9; ++column)
        for (int row = 1; row <= 9; ++row)
            if (const int i = strong::indexOf(column, row); legal & strong::bit(i))
                if (const int n = strong::count(strong::turnedBy(b, b.toMove, i)); n > most) {
                    best = i;
                    most = n;
                }
    return best;
}

int squareOf(const Player& p, const Board& b, Bits legal, strong::Random& random)
{
    if (p.level == 0) {
        if (p.mostStones)
            return mostStonesSquare(b, legal);
        return random.below(7) == 0 ? strong::anyOf(legal, random) : standardSquare(legal);
    }
    if (p.level == standardLevel)
        return standardSquare(legal);
    const double start = threadSeconds();
    const auto square = p.tuned ? strong::chooseSquare(gridOf(b), b.toMove, p.settings)
                                : chooseSquareAt(gridOf(b), b.toMove, p.level);
    moveSeconds[p.name].push_back(threadSeconds() - start);
    return strong::indexOf(square->first, square->second);
}

// Plays one game to its end, keeping the positions after the opening in
// *seen when given.
Board playOut(const std::array<const Player*, 5>& players, uint64_t opening, std::vector<Board>* seen = nullptr)
{
    GameState s;
    placeStartingPosition(s);
    Board b = strong::boardOf(s.board, black);
    Bits legal = strong::legalSquares(b, black);
    strong::Random random(opening);
    for (int move = 0; b.toMove != 0; ++move) {
        if (seen && move >= openingMoves)
            seen->push_back(b);
        const int square = move < openingMoves ? strong::anyOf(legal, random)
                                               : squareOf(*players[b.toMove], b, legal, random);
        legal = strong::play(b, b.toMove, square);
    }
    return b;
}

// Plays one game; returns the seat's first place: 2 alone, 1 shared, 0 none.
int playGame(const std::array<const Player*, 5>& players, int seat, uint64_t opening)
{
    // A shared first is worth 1 here.
    const int first = strong::rewardsOf(playOut(players, opening), 1)[seat];
    return first == strong::soleFirst ? 2 : first;
}

// Plays every opening with one at each seat and rest elsewhere; prints a
// row of the table: first places (a shared one half) and the share.
void playSeries(const Player& one, const Player& rest, int openings, uint64_t series)
{
    int halves = 0;
    std::array<int, 5> bySeat{};
    for (int g = 0; g < openings; ++g)
        for (int seat = 1; seat <= 4; ++seat) {
            std::array<const Player*, 5> players{&rest, &rest, &rest, &rest, &rest};
            players[seat] = &one;
            const int first = playGame(players, seat, series * 1000003u + static_cast<uint64_t>(g));
            halves += first;
            bySeat[seat] += first;
        }
    const int games = 4 * openings;
    std::printf("%-22s %-22s %7.1f of %-4d %5.1f %%   (seats %.1f %.1f %.1f %.1f)\n", one.name.c_str(),
                ("3 x " + rest.name).c_str(), halves / 2.0, games, 50.0 * halves / games, bySeat[1] / 2.0,
                bySeat[2] / 2.0, bySeat[3] / 2.0, bySeat[4] / 2.0);
    std::fflush(stdout);
}

// Plays games of the player against itself and writes a line for each
// position after the opening, to fit the evaluation by: its stage, each
// colour's share of the first place in 12ths, then each colour's features.
void writePositions(const Player& p, int games, uint64_t series, const char* path)
{
    FILE* out = std::fopen(path, "w");
    if (!out) {
        std::perror(path);
        std::exit(1);
    }
    for (int g = 0; g < games; ++g) {
        std::vector<Board> seen;
        const Board end = playOut({&p, &p, &p, &p, &p}, series * 1000003u + static_cast<uint64_t>(g), &seen);
        // A shared first is worth 1 here, so the colours sharing it count.
        const strong::Rewards firsts = strong::rewardsOf(end, 1);
        const int sharing = static_cast<int>(std::count(firsts.begin() + 1, firsts.end(), 1));
        for (const Board& b : seen) {
            std::fprintf(out, "%d", strong::stageOf(b));
            for (int c = 1; c <= 4; ++c)
                std::fprintf(out, " %d", firsts[c] ? 12 / std::max(sharing, 1) : 0);
            for (int c = 1; c <= 4; ++c)
                for (const int f : strong::featuresOf(b, c))
                    std::fprintf(out, " %d", f);
            std::fprintf(out, "\n");
        }
    }
    std::fclose(out);
}

[[noreturn]] void usage(const char* why)
{
    std::fprintf(stderr, "korvalo_computer_bench: %s\nusage: korvalo_computer_bench [--games N] [--levels A-B] "
                         "[--series S] [--one PLAYER (--rest PLAYER | --positions FILE)]\n", why);
    std::exit(2);
}

long number(const std::string& text, const char* what)
{
    char* end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || n < 0 || n > 100000000)
        usage(what);
    return n;
}

Player levelPlayer(int level)
{
    Player p;
    p.level = level;
    p.name = "level " + std::to_string(level);
    return p;
}

Player playerOf(const std::string& described)
{
    Player p;
    if (described == "square-value" || described == "most-stones") {
        p.name = described;
        p.mostStones = described == "most-stones";
        return p;
    }
    const auto comma = described.find(',');
    const auto level = levelOf(described.substr(0, comma));
    if (!level)
        usage("a player is a level, square-value or most-stones");
    p = levelPlayer(*level);
    if (comma == std::string::npos)
        return p;
    if (!choosesApart(*level) || *level == weakestLevel)
        usage("only a searching level takes settings");
    p.name = described;
    p.tuned = true;
    p.settings = strong::levelSettings(*level);
    for (size_t at = comma; at != std::string::npos;) {
        const size_t next = described.find(',', at + 1);
        const std::string item = described.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1);
        const auto eq = item.find('=');
        const std::string key = item.substr(0, eq), value = eq == std::string::npos ? "" : item.substr(eq + 1);
        strong::SearchSettings& s = p.settings;
        if (key == "playout" && (value == "uniform" || value == "corners" || value == "classes" ||
                                 value == "safe" || value == "weighted" || value == "guard"))
            s.playout = value == "uniform" ? strong::Playout::Uniform
                        : value == "guard" ? strong::Playout::Guard
                        : value == "corners" ? strong::Playout::Corners
                        : value == "safe" ? strong::Playout::Safe
                        : value == "weighted" ? strong::Playout::Weighted : strong::Playout::Classes;
        else if (key == "backup" && (value == "maxn" || value == "paranoid" || value == "bestreply"))
            s.backup = value == "maxn" ? strong::Backup::MaxN
                       : value == "paranoid" ? strong::Backup::Paranoid : strong::Backup::BestReply;
        else if (key == "weights") {
            // a:b:c:d, each 1 or more
            size_t from = 0;
            for (int& w : s.weights) {
                const size_t colon = value.find(':', from);
                w = static_cast<int>(number(value.substr(from, colon - from), "weights are four numbers a:b:c:d"));
                if (w < 1 || (colon == std::string::npos) != (&w == &s.weights.back()))
                    usage("weights are four numbers a:b:c:d, each 1 or more");
                from = colon + 1;
            }
        }
        else if (key == "evaluate") s.evaluateAfter = static_cast<int>(number(value, "evaluate needs a number"));
        else if (key == "prior") s.prior = static_cast<int>(number(value, "prior needs a number"));
        else if (key == "work") s.work = number(value, "work needs a number");
        else if (key == "epsilon") s.epsilon = static_cast<int>(number(value, "epsilon needs a number"));
        else if (key == "exploration") s.exploration = static_cast<int>(number(value, "exploration needs a number"));
        else if (key == "history") s.history = static_cast<int>(number(value, "history needs a number"));
        else if (key == "tries") s.tries = static_cast<int>(number(value, "tries needs a number"));
        else if (key == "watched" && (value == "1" || value == "2" || value == "3")) s.watched = value[0] - '0';
        else if (key == "least") s.leastGameWork = static_cast<int>(number(value, "least needs a number"));
        else if (key == "shared") s.sharedFirst = static_cast<int>(number(value, "shared needs a number"));
        else if (key == "solve") s.solveEmpty = static_cast<int>(number(value, "solve needs a number"));
        else if (key == "solve-nodes") s.solveNodes = number(value, "solve-nodes needs a number");
        else usage(("unknown setting " + item).c_str());
        at = next;
    }
    return p;
}

}  // namespace

int main(int argc, char** argv)
{
    int openings = 5;
    long series = 1;
    int low = weakestLevel, high = strongestLevel;
    std::string one, rest;
    const char* positions = nullptr;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--games") && hasValue)
            openings = static_cast<int>(number(argv[++i], "--games needs a number"));
        else if (!std::strcmp(argv[i], "--levels") && hasValue && std::strlen(argv[i + 1]) == 3) {
            low = argv[++i][0] - '0';
            high = argv[i][2] - '0';
            if (low < weakestLevel || high > strongestLevel || low > high)
                usage("--levels takes A-B, from 1 to 5");
        } else if (!std::strcmp(argv[i], "--series") && hasValue)
            series = number(argv[++i], "--series needs a number");
        else if (!std::strcmp(argv[i], "--positions") && hasValue)
            positions = argv[++i];
        else if (!std::strcmp(argv[i], "--one") && hasValue)
            one = argv[++i];
        else if (!std::strcmp(argv[i], "--rest") && hasValue)
            rest = argv[++i];
        else
            usage("unknown option");
    }
    if (positions) {
        if (one.empty() || !rest.empty() || openings < 1)
            usage("--positions takes --one alone, --games takes 1 or more");
        writePositions(playerOf(one), openings, static_cast<uint64_t>(series), positions);
        return 0;
    }
    if (openings < 1 || one.empty() != rest.empty())
        usage("--one and --rest go together, --games takes 1 or more");
    std::printf("%d openings (the first %d moves at random), each at all four seats: %d games a row\n", openings,
                openingMoves, 4 * openings);
    std::printf("%-22s %-22s %-12s %s\n", "one", "against", "first", "(a shared first counts half)");
    const long peakBefore = peakKiB();
    if (!one.empty()) {
        playSeries(playerOf(one), playerOf(rest), openings, static_cast<uint64_t>(series));
    } else {
        for (int level = std::max(low, 2); level <= high; ++level)
            playSeries(levelPlayer(level), levelPlayer(level - 1), openings, 10 + level);
        for (const char* simple : {"square-value", "most-stones"})
            for (int level = low; level <= high; ++level)
                playSeries(playerOf(simple), levelPlayer(level), openings, 20 + level);
    }
    std::printf("\n%-22s %10s %10s %8s\n", "processor time a move", "median", "maximum", "moves");
    for (auto& [name, t] : moveSeconds) {
        std::sort(t.begin(), t.end());
        std::printf("%-22s %9.3fs %9.3fs %8zu\n", name.c_str(), t[t.size() / 2], t.back(), t.size());
    }
    std::printf("peak memory: %ld KiB before the first game, %ld KiB after the last (%+ld KiB)\n", peakBefore,
                peakKiB(), peakKiB() - peakBefore);
    return 0;
}
