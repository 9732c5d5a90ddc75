// Whole games of the strong computer, played headless on the game object:
// four colours seated as persons (the four-person seating), each moved by
// this harness through the window's own press and release, so the game
// itself checks every move and hands the turns on. Prints the first places
// of one strong colour against three standard ones, and of a square-value
// player and a most-stones player against three strong ones, at each seat;
// the processor time of each strong move; the search's playouts and nodes a
// second; and the peak memory before and after the searches.
//
//   korvalo_computer_bench [--games N] [--playouts N] [--uniform] [--exploration N]
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "computer/move_choice.h"
#include "computer/search.h"
#include "flow/form1.h"
#include "platform/recording/recording_platform.h"
#include "rules/count.h"

namespace {

using namespace korvalo;

enum class Player { Strong, Standard, SquareValue, MostStones };

// Every game opens with this many moves at random (one a colour), drawn
// from the game's number, so that the players, most of whom choose the same
// square in the same position, meet in different games.
constexpr int openingMoves = 4;

struct Figures {
    std::vector<double> moveSeconds;
    strong::SearchStats stats;
    double searchSeconds = 0;
};

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

std::vector<int> legalIndices(const strong::Board& b, int c)
{
    std::vector<int> out;
    // Scan order of the game: column by column, top to bottom.
    for (int column = 1; column <= 9; ++column)
        for (int row = 1; row <= 9; ++row)
            if (strong::legalSquares(b, c) & strong::bit(strong::indexOf(column, row)))
                out.push_back(strong::indexOf(column, row));
    return out;
}

int standardSquare(const std::vector<int>& legal)
{
    int best = legal.front();
    for (int index : legal)
        if (取得_評価値(strong::columnOf(index), strong::rowOf(index)) >
            取得_評価値(strong::columnOf(best), strong::rowOf(best)))
            best = index;
    return best;
}

int mostStonesSquare(const strong::Board& b, int c, const std::vector<int>& legal)
{
    int best = legal.front();
    for (int index : legal)
        if (strong::count(strong::turnedBy(b, c, index)) > strong::count(strong::turnedBy(b, c, best)))
            best = index;
    return best;
}

// Plays one game; returns whether the colour at seat ranks first (a shared
// first place counts).
bool playGame(const std::array<Player, 5>& players, int seat, uint64_t gameSeed,
              const strong::SearchSettings& settings, Figures& figures)
{
    RecordingPlatform ui;
    ui.keepLines = false;
    Form1 form(ui, nullptr);
    std::array<int, 5> counts{};
    ui.answerBox = [&](Buttons buttons) {
        if (buttons != Buttons::YesNo)
            return Answer::OK;
        for (int c = 1; c <= 4; ++c)
            counts[c] = 調査_駒数(form.state(), c);
        return Answer::No;  // one game a window
    };
    form.Form_Load();
    form.PLAY_4_Click();
    strong::Random random(gameSeed);
    for (int move = 0; form.state().turnColour >= black && form.state().turnColour <= red && !ui.ended; ++move) {
        const int c = form.state().turnColour;
        const strong::Board b = strong::boardOf(form.state().board, c);
        const std::vector<int> legal = legalIndices(b, c);
        if (legal.empty() || move > 200) {
            std::fprintf(stderr, "korvalo_computer_bench: colour %d to move has no square\n", c);
            std::exit(1);
        }
        int index = 0;
        if (move < openingMoves) {
            index = legal[random.below(static_cast<int>(legal.size()))];
        } else {
            switch (players[c]) {
            case Player::Strong: {
                const double start = threadSeconds();
                const auto square = strong::chooseSquare(form.state().board, c, settings, &figures.stats);
                const double spent = threadSeconds() - start;
                figures.moveSeconds.push_back(spent);
                figures.searchSeconds += spent;
                index = strong::indexOf(square->first, square->second);
                break;
            }
            case Player::Standard: index = standardSquare(legal); break;
            case Player::SquareValue:
                index = random.below(7) == 0 ? legal[random.below(static_cast<int>(legal.size()))]
                                             : standardSquare(legal);
                break;
            case Player::MostStones: index = mostStonesSquare(b, c, legal); break;
            }
        }
        const double x = boardLeft + cellWidth * strong::columnOf(index) + cellWidth / 2;
        const double y = boardTop + cellHeight * strong::rowOf(index) + cellHeight / 2;
        form.Form_MouseDown(1, 0, x, y);
        form.Form_MouseUp(1, 0, x, y);
    }
    const int most = *std::max_element(counts.begin() + 1, counts.end());
    return most > 0 && counts[seat] == most;
}

// Plays games at every seat with `one` at the seat and `rest` elsewhere;
// prints the first places of the one at each seat.
void playSeries(const char* title, Player one, Player rest, int games, uint64_t series,
                const strong::SearchSettings& settings, Figures& figures)
{
    std::printf("%s\n", title);
    static const char* seatNames[] = {"", "black", "blue", "white", "red"};
    int firsts = 0;
    for (int seat = 1; seat <= 4; ++seat) {
        std::array<Player, 5> players{rest, rest, rest, rest, rest};
        players[seat] = one;
        int here = 0;
        for (int g = 0; g < games; ++g)
            here += playGame(players, seat, series * 1000003u + static_cast<uint64_t>(seat * 1000 + g), settings,
                             figures);
        std::printf("  %-5s first in %d of %d\n", seatNames[seat], here, games);
        std::fflush(stdout);
        firsts += here;
    }
    std::printf("  all seats: first in %d of %d (%.0f %%)\n", firsts, 4 * games, 100.0 * firsts / (4 * games));
}

int number(const char* text, const char* option)
{
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (!text[0] || *end || n < 1 || n > 1000000) {
        std::fprintf(stderr, "korvalo_computer_bench: %s needs a whole number\n", option);
        std::exit(2);
    }
    return static_cast<int>(n);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int games = 10;
    strong::SearchSettings settings;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--games") && hasValue)
            games = number(argv[++i], "--games");
        else if (!std::strcmp(argv[i], "--playouts") && hasValue)
            settings.playouts = number(argv[++i], "--playouts");
        else if (!std::strcmp(argv[i], "--exploration") && hasValue)
            settings.exploration = number(argv[++i], "--exploration");
        else if (!std::strcmp(argv[i], "--uniform"))
            settings.playout = strong::Playout::Uniform;
        else {
            std::fprintf(stderr, "usage: %s [--games N] [--playouts N] [--uniform] [--exploration N]\n", argv[0]);
            return 2;
        }
    }
    // The game reads and writes its settings file in the working folder.
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    std::printf("%d games a seat, the first %d moves of each at random; %d playouts a move, %s playouts, "
                "exploration %d/1000\n",
                games, openingMoves, settings.playouts,
                settings.playout == strong::Playout::Uniform ? "uniform" : "corner-aware", settings.exploration);
    const long peakBefore = peakKiB();
    Figures figures;
    playSeries("one strong colour against three standard ones:", Player::Strong, Player::Standard, games, 1,
               settings, figures);
    playSeries("a square-value player (one move in seven at random) against three strong colours:",
               Player::SquareValue, Player::Strong, games, 2, settings, figures);
    playSeries("a most-stones player against three strong colours:", Player::MostStones, Player::Strong, games, 3,
               settings, figures);
    std::vector<double>& t = figures.moveSeconds;
    std::sort(t.begin(), t.end());
    if (!t.empty())
        std::printf("processor time a strong move: median %.3f s, maximum %.3f s, over %zu moves\n",
                    t[t.size() / 2], t.back(), t.size());
    if (figures.searchSeconds > 0)
        std::printf("search: %.0f playouts a second, %.0f nodes a second\n",
                    static_cast<double>(figures.stats.playouts) / figures.searchSeconds,
                    static_cast<double>(figures.stats.nodes) / figures.searchSeconds);
    std::printf("peak memory: %ld KiB before the first search, %ld KiB after the last (%+ld KiB)\n", peakBefore,
                peakKiB(), peakKiB() - peakBefore);
    return 0;
}
