#include "property/random_play.h"

#include <algorithm>
#include <deque>
#include <random>

#include "property/board_oracle.h"

namespace korvalo::testing {
namespace {

class Dice {
public:
    explicit Dice(uint32_t seed) : gen_(seed) {}
    // 0 .. n - 1; the same on every platform for a seed.
    int below(int n) { return static_cast<int>(gen_() % static_cast<uint32_t>(n)); }

private:
    std::mt19937 gen_;
};

struct Point {
    double x = 0;
    double y = 0;
};

// Anywhere within square (column, row), its left and top edges included;
// column and row may lie off the board.
Point inSquare(Dice& dice, int column, int row)
{
    return {static_cast<double>(boardLeft + cellWidth * column + dice.below(cellWidth)),
            static_cast<double>(boardTop + cellHeight * row + dice.below(cellHeight))};
}

// Off the 9 x 9 squares: the label band, beyond the board, negative twips.
Point offTheSquares(Dice& dice)
{
    static const int outside[] = {-3, -1, 0, 10, 11, 14};
    int column = 1 + dice.below(9);
    int row = 1 + dice.below(9);
    const int which = dice.below(3);
    if (which != 1)
        column = outside[dice.below(6)];
    if (which != 0)
        row = outside[dice.below(6)];
    return inSquare(dice, column, row);
}

Point anywhere(Dice& dice)
{
    return dice.below(2) ? offTheSquares(dice) : inSquare(dice, 1 + dice.below(9), 1 + dice.below(9));
}

// The square among legal after which the most colours cannot play. Random
// play by persons seldom leaves a person without a square; this drives the
// games into passes.
std::pair<int, int> squeezingSquare(const Grid& board, int c, const std::vector<std::pair<int, int>>& legal)
{
    std::pair<int, int> best = legal.front();
    int mostStuck = -1;
    for (const auto& [x, y] : legal) {
        const Grid after = afterMove(board, x, y, c);
        int stuck = 0;
        for (int d = 1; d <= 4; ++d)
            stuck += !canPlay(after, d);
        if (stuck > mostStuck) {
            mostStuck = stuck;
            best = {x, y};
        }
    }
    return best;
}

struct Planned {
    Step step;
    Point point;
    int button = 1;
    int shift = 0;
};

std::string describe(const Planned& p)
{
    static const char* const names[] = {"seat",         "legal press", "illegal press", "press off the squares",
                                        "pass press",   "press for the computer", "press with no game",
                                        "back",         "forward",     "first",         "move numbers",
                                        "icons",        "music",       "about"};
    std::string text = names[static_cast<int>(p.step.act)];
    if (p.step.act == Act::Seat)
        return text + " " + p.step.seating->name;
    if (p.step.column)
        text += " (" + std::to_string(p.step.column) + "," + std::to_string(p.step.row) + ")";
    if (p.step.act <= Act::NoGamePress && p.step.act != Act::Seat)
        text += " at " + std::to_string(static_cast<int>(p.point.x)) + "," + std::to_string(static_cast<int>(p.point.y)) +
                " button " + std::to_string(p.button);
    return text;
}

Planned seat(const Seating& seating)
{
    Planned p;
    p.step.act = Act::Seat;
    p.step.seating = &seating;
    return p;
}

Planned planPress(Dice& dice, const GameState& s, bool playingOut)
{
    Planned p;
    static const int buttons[] = {1, 2, 4};
    p.button = buttons[dice.below(3)];
    p.shift = dice.below(8);
    const int t = s.turnColour;
    if (t == noneValue) {
        p.step.act = Act::NoGamePress;
        p.point = anywhere(dice);
        return p;
    }
    if (s.gameMode != modeFour && s.playerKind[t] == computerValue) {
        p.step.act = Act::ComputerPress;
        p.point = anywhere(dice);
        return p;
    }
    const auto legal = playableSquares(s.board, t);
    const int roll = playingOut ? 0 : dice.below(100);
    if (roll >= 94) {
        p.step.act = Act::OutsidePress;
        p.point = offTheSquares(dice);
        return p;
    }
    if (legal.empty()) {
        p.step.act = Act::PassPress;
        p.step.column = 1 + dice.below(9);
        p.step.row = 1 + dice.below(9);
    } else if (roll < 78) {
        p.step.act = Act::LegalPress;
        const auto [x, y] = dice.below(2) ? squeezingSquare(s.board, t, legal)
                                          : legal[static_cast<std::size_t>(dice.below(static_cast<int>(legal.size())))];
        p.step.column = x;
        p.step.row = y;
    } else {
        p.step.act = Act::IllegalPress;
        do {
            p.step.column = 1 + dice.below(9);
            p.step.row = 1 + dice.below(9);
        } while (std::find(legal.begin(), legal.end(), std::pair{p.step.column, p.step.row}) != legal.end());
    }
    p.point = inSquare(dice, p.step.column, p.step.row);
    return p;
}

Planned plan(Dice& dice, const GameState& s, bool playingOut)
{
    const bool running = s.turnColour != noneValue;
    int roll = playingOut ? 0 : dice.below(1000);
    if (!running) {
        const int choice = dice.below(100);
        if (playingOut || choice < 70)
            return seat(allSeatings[static_cast<std::size_t>(dice.below(7))]);
        roll = choice < 80 ? 0 : 620 + dice.below(380);
    }
    if (roll < 620)
        return planPress(dice, s, playingOut);
    if (roll >= 824 && roll < 880)
        return seat(allSeatings[static_cast<std::size_t>(dice.below(7))]);
    Planned p;
    p.step.act = roll < 740   ? Act::Back
                 : roll < 820 ? Act::Forward
                 : roll < 824 ? Act::First
                 : roll < 920 ? Act::MoveNumbers
                 : roll < 960 ? Act::Icons
                 : roll < 995 ? Act::Music
                              : Act::About;
    return p;
}

void perform(Form1& form, const Planned& p)
{
    switch (p.step.act) {
    case Act::Seat: (form.*(p.step.seating->command))(); return;
    case Act::Back: form.MODORU_Click(); return;
    case Act::Forward: form.SUSUMU_Click(); return;
    case Act::First: form.SAISYO_Click(); return;
    case Act::MoveNumbers: form.TEJYUN_Click(); return;
    case Act::Icons: form.AICON_Click(); return;
    case Act::Music: form.BGM_Click(); return;
    case Act::About: form.SONOTA_Click(); return;
    default:
        form.Form_MouseDown(p.button, p.shift, p.point.x, p.point.y);
        form.Form_MouseUp(p.button, p.shift, p.point.x, p.point.y);
        return;
    }
}

}  // namespace

std::string playRandomGame(GameWatch& watch, uint32_t seed, const Seating& opening, ActCounts* counts)
{
    Dice dice(seed);
    std::deque<std::string> log;
    for (int n = 0; n < randomSteps + playOutSteps; ++n) {
        const Planned p = n == 0 ? seat(opening) : plan(dice, watch.state(), n >= randomSteps);
        watch.before();
        perform(watch.form(), p);
        if (counts)
            ++(*counts)[static_cast<std::size_t>(p.step.act)];
        log.push_back(std::to_string(n) + ": " + describe(p));
        if (log.size() > 16)
            log.pop_front();
        if (std::string problem = watch.after(p.step); !problem.empty()) {
            std::string text = "step " + std::to_string(n) + ": " + problem + "\nlast steps:";
            for (const std::string& line : log)
                text += "\n  " + line;
            return text;
        }
        if (watch.gameEnded())
            return {};
    }
    return "the game did not end within " + std::to_string(randomSteps + playOutSteps) + " steps";
}

}  // namespace korvalo::testing
