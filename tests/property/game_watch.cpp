#include "property/game_watch.h"

#include <QDir>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>
#include <functional>

#include "property/board_oracle.h"
#include "property/watch_text.h"
#include "rules/turn_order.h"

namespace korvalo::testing {

namespace {

Position startingPosition()
{
    GameState start;
    placeStartingPosition(start);
    return playingSquares(start.board);
}

// Reads a decimal number at pos and moves pos past it; -1 when there is none.
int readNumber(const std::string& text, std::size_t& pos)
{
    int value = -1;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        value = (value < 0 ? 0 : value * 10) + (text[pos] - '0');
        ++pos;
    }
    return value;
}

bool expectText(const std::string& text, std::size_t& pos, const std::string& expected)
{
    if (text.compare(pos, expected.size(), expected) != 0)
        return false;
    pos += expected.size();
    return true;
}

}  // namespace

std::vector<std::string> folderEntries()
{
    std::vector<std::string> out;
    for (const QString& name :
         QDir(".").entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name))
        out.push_back(name.toStdString());
    return out;
}

GameWatch::GameWatch(Form1& form, RecordingPlatform& ui, const RecordingDsLibrary* lib, SettingsFile settingsFile)
    : form_(form), ui_(ui), lib_(lib), settingsFile_(settingsFile)
{
    checked_ = form_.state().history;
    checkedLast_ = form_.state().lastMoveNumber;
    before_ = snapshot();
    // The board is taken to be on the screen as the watch begins.
    screen_ = form_.state().board;
}

std::string GameWatch::playLine(int32_t buffer) const
{
    return lib_ ? "sound dsPlay " + lib_->nameOf(buffer) : std::string();
}

GameWatch::Snapshot GameWatch::snapshot() const
{
    const GameState& s = form_.state();
    return {s.board, s.turnColour, s.gameMode, s.moveNumber, s.lastMoveNumber, s.playerKind, checkMarks(ui_)};
}

void GameWatch::before()
{
    before_ = snapshot();
    gameEnded_ = false;
    ui_.lines.clear();
}

bool GameWatch::unchanged() const
{
    const Snapshot now = snapshot();
    return now.board == before_.board && now.turnColour == before_.turnColour && now.gameMode == before_.gameMode &&
           now.moveNumber == before_.moveNumber && now.lastMoveNumber == before_.lastMoveNumber &&
           now.playerKind == before_.playerKind;
}

std::string GameWatch::after(const Step& step)
{
    const GameState& s = form_.state();
    const std::vector<std::string> lines = ui_.eventLines();
    if (form_.programEnded())
        return "the program has ended";

    const int endings = countStartingWith(lines, "msgbox \"続けます？\"");
    if (endings > 1)
        return "the game ended " + std::to_string(endings) + " times in one step";
    gameEnded_ = endings == 1;
    const bool running = s.turnColour != noneValue;
    if (gameEnded_ && running)
        return "a game runs after playing on was chosen";

    if (step.act == Act::Seat)
        lastSeating_ = step.seating;
    const bool navigation = step.act == Act::Back || step.act == Act::Forward;
    if (!running) {
        navigatedSinceStone_ = false;
        computerMayWait_ = false;
    } else if (navigation) {
        if (s.moveNumber != before_.moveNumber)
            navigatedSinceStone_ = computerMayWait_ = true;
    } else {
        if (s.moveNumber != before_.moveNumber)
            navigatedSinceStone_ = false;
        if (step.act != Act::MoveNumbers && step.act != Act::Icons && step.act != Act::Music &&
            step.act != Act::About && step.act != Act::First)
            computerMayWait_ = false;
    }

    // In this order: each check may rely on those before it.
    const bool settingsReread = step.act == Act::First || gameEnded_;
    const std::function<std::string()> checks[] = {
        [this] { return checkCounters(); },
        [this] { return checkBoard(); },
        [this, running] { return checkHistory(!running); },
        [this] {
            const std::string problem = followDrawing(ui_.lines);
            return problem.empty() ? checkScreen() : problem;
        },
        [this, &lines] { return gameEnded_ ? checkRanking(lines) : std::string(); },
        [this] { return checkTurn(); },
        [this, &step, settingsReread] { return checkOptions(step, settingsReread); },
        [this] { return checkIcons(); },
        [this, &step, &lines] { return checkStep(step, lines); },
    };
    for (const auto& check : checks)
        if (std::string problem = check(); !problem.empty())
            return problem;
    for (const std::string& line : lines)
        if (line.find(" exclamation ") != std::string::npos)
            return "a warning was shown: " + line;
    return {};
}

std::string GameWatch::checkCounters() const
{
    const GameState& s = form_.state();
    if (s.moveNumber < 0 || s.moveNumber > s.lastMoveNumber || s.lastMoveNumber > 65)
        return "counters out of range: moveNumber " + std::to_string(s.moveNumber) + ", lastMoveNumber " +
               std::to_string(s.lastMoveNumber);
    return {};
}

std::string GameWatch::checkBoard() const
{
    const GameState& s = form_.state();
    int stones = 0;
    for (int x = 0; x < 12; ++x)
        for (int y = 0; y < 12; ++y) {
            const int cell = s.board[x][y];
            if (!onBoard(x, y)) {
                if (cell != emptyValue)
                    return "the ring cell " + square(x, y) + " holds " + std::to_string(cell);
            } else if (cell < emptyValue || cell > red) {
                return "square " + square(x, y) + " holds " + std::to_string(cell);
            } else {
                stones += cell != emptyValue;
            }
        }
    if (stones != 16 + s.moveNumber)
        return std::to_string(stones) + " stones on the board at move " + std::to_string(s.moveNumber);
    if (playingSquares(s.board) != s.history[s.moveNumber])
        return "the board differs from stored position " + std::to_string(s.moveNumber) + ":\n" +
               boardText(s.board) + "stored:\n" + positionText(s.history[s.moveNumber]);
    return {};
}

std::string GameWatch::checkHistory(bool reset)
{
    const GameState& s = form_.state();
    const int last = s.lastMoveNumber;
    int first = last + 1;  // the first entry that changed since the last check
    for (int k = 0; k <= last; ++k)
        if (k > checkedLast_ || std::memcmp(&s.history[k], &checked_[k], sizeof(Position)) != 0) {
            first = k;
            break;
        }
    // Only a new stone writes a position: the one after the position shown.
    if (first <= last && first <= before_.moveNumber)
        return "stored position " + std::to_string(first) + " was rewritten by a step that began at position " +
               std::to_string(before_.moveNumber);
    if (reset && s.history[0] != startingPosition())
        return "stored position 0 is not the starting position";
    for (int k = std::max(first, 1); k <= last; ++k)
        if (std::string problem = checkMovePair(k); !problem.empty())
            return problem;
    for (int k = first; k <= last; ++k)
        checked_[k] = s.history[k];
    checkedLast_ = last;
    return {};
}

std::string GameWatch::checkMovePair(int k) const
{
    const GameState& s = form_.state();
    const Position& prev = s.history[k - 1];
    const Position& cur = s.history[k];
    const std::string which = "stored positions " + std::to_string(k - 1) + " and " + std::to_string(k);
    int filled = 0;
    int nx = 0;
    int ny = 0;
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) {
            if (prev[x][y] == emptyValue && cur[x][y] != emptyValue) {
                ++filled;
                nx = x;
                ny = y;
            } else if (prev[x][y] != emptyValue && cur[x][y] == emptyValue) {
                return which + ": the stone on " + square(x, y) + " vanished";
            }
        }
    if (filled != 1)
        return which + " differ by " + std::to_string(filled) + " newly filled squares:\n" + positionText(prev) +
               "then\n" + positionText(cur);
    const int c = cur[nx][ny];
    if (s.moveColumn[k] != nx || s.moveRow[k] != ny)
        return "move " + std::to_string(k) + " is recorded on " + square(s.moveColumn[k], s.moveRow[k]) +
               " but its stone stands on " + square(nx, ny);
    if (!mayPlay(prev, nx, ny, c))
        return "move " + std::to_string(k) + ": " + colourName(c) + " may not play " + square(nx, ny) + " in\n" +
               positionText(prev);
    if (afterMove(prev, nx, ny, c) != cur)
        return "move " + std::to_string(k) + " by " + colourName(c) + " on " + square(nx, ny) +
               " turned the wrong stones:\n" + positionText(prev) + "became\n" + positionText(cur) + "expected\n" +
               positionText(afterMove(prev, nx, ny, c));
    return {};
}

std::string GameWatch::checkRanking(const std::vector<std::string>& lines) const
{
    if (countStartingWith(lines, "msgbox \"終了しました\" \"対局\" OK") != 1)
        return "the end of the game was not announced once";
    const std::string prefix = "msgbox \" 黒 ";
    const std::string* ranking = nullptr;
    for (const std::string& line : lines)
        if (line.rfind(prefix, 0) == 0) {
            if (ranking)
                return "two rankings in one step";
            ranking = &line;
        }
    if (!ranking)
        return "the game ended without a ranking";

    // " 黒 R 位　（N個）\r\r 青 ..." as the recording quotes it.
    static const char* const names[] = {"", " 黒 ", "\\r\\r 青 ", "\\r\\r 白 ", "\\r\\r 赤 "};
    std::array<int, 5> rank{};
    std::array<int, 5> count{};
    std::size_t pos = std::string("msgbox \"").size();
    for (int c = 1; c <= 4; ++c) {
        if (!expectText(*ranking, pos, names[c]) || (rank[c] = readNumber(*ranking, pos)) < 0 ||
            !expectText(*ranking, pos, " 位\u3000\uFF08") || (count[c] = readNumber(*ranking, pos)) < 0 ||
            !expectText(*ranking, pos, "個\uFF09"))
            return "unreadable ranking: " + *ranking;
    }
    if (!expectText(*ranking, pos, "\\r\" \"\" OK none"))
        return "unreadable ranking: " + *ranking;

    int sum = 0;
    for (int c = 1; c <= 4; ++c) {
        int better = 0;
        for (int d = 1; d <= 4; ++d)
            better += d != c && count[d] > count[c];
        if (rank[c] != 1 + better)
            return "wrong ranks: " + *ranking;
        sum += count[c];
    }
    if (sum < 16 || sum > 81)
        return "the counts add up to " + std::to_string(sum) + ": " + *ranking;
    // The final position is the stored position with that many stones.
    const Position& final = form_.state().history[sum - 16];
    for (int c = 1; c <= 4; ++c)
        if (stonesOf(final, c) != count[c])
            return "the ranking does not count the final position:\n" + positionText(final) + *ranking;
    for (int c = 1; c <= 4; ++c)
        if (canPlay(final, c))
            return "the game ended though " + colourName(c) + " could play:\n" + positionText(final);
    return {};
}

std::string GameWatch::checkTurn() const
{
    const GameState& s = form_.state();
    const std::array<int, 5> noSeating{};
    if (s.playerKind != (lastSeating_ ? lastSeating_->kinds : noSeating))
        return "the seat kinds are not those of the last seating command";
    if (s.turnColour == noneValue) {
        if (s.gameMode != noneValue || s.moveNumber != 0 || s.lastMoveNumber != 0)
            return "no game runs, but mode " + std::to_string(s.gameMode) + ", move " + std::to_string(s.moveNumber) +
                   " of " + std::to_string(s.lastMoveNumber);
        if (playingSquares(s.board) != startingPosition())
            return "no game runs, but the board is not the start:\n" + boardText(s.board);
        return {};
    }
    if (s.turnColour < black || s.turnColour > red)
        return "turnColour " + std::to_string(s.turnColour);
    if (s.gameMode < modeBlack || s.gameMode > modeFour)
        return "gameMode " + std::to_string(s.gameMode);
    if (!lastSeating_ || s.gameMode != lastSeating_->mode)
        return "gameMode " + std::to_string(s.gameMode) + " is not that of the last seating command";

    std::array<bool, 5> can{};
    for (int c = 1; c <= 4; ++c)
        can[c] = canPlay(s.board, c);
    const int t = s.turnColour;
    if (!can[1] && !can[2] && !can[3] && !can[4])
        return "a game runs though no colour can play:\n" + boardText(s.board);
    // A turn handed on by a pass is not asked whether it can play; otherwise
    // only a step through the positions leaves a colour to move that cannot.
    if (!can[t] && can[previousColour(t)] && !navigatedSinceStone_)
        return colourName(t) + " is to move and cannot play, though " + colourName(previousColour(t)) +
               " before it could:\n" + boardText(s.board);
    if (s.gameMode != modeFour && s.playerKind[t] == computerValue && !computerMayWait_)
        return "the computer's " + colourName(t) + " waits for a press";
    return {};
}

std::string GameWatch::checkOptions(const Step& step, bool settingsReread) const
{
    const Marks now = checkMarks(ui_);
    Marks expected = before_.marks;
    const bool option = step.act == Act::MoveNumbers || step.act == Act::Icons || step.act == Act::Music;
    if (step.act == Act::MoveNumbers)
        expected[0] = !expected[0];
    if (step.act == Act::Icons)
        expected[1] = !expected[1];
    if (step.act == Act::Music)
        expected[2] = !expected[2];
    if (settingsReread && settingsFile_ == SettingsFile::Frozen) {
        std::string why;
        const std::optional<Marks> stored = storedMarks(&why);
        if (!stored)
            return why;
        expected = *stored;
    }
    if (now != expected)
        return "the marks are " + marksText(now) + ", expected " + marksText(expected);
    if ((option || settingsReread) && settingsFile_ == SettingsFile::Kept)
        if (std::string problem = settingsFileProblem(now); !problem.empty())
            return problem;
    // Only the music loops, and only while its mark is set and its buffer exists.
    if (lib_) {
        const int32_t music = form_.sounds().buffer(GameSounds::Sound::Music);
        const bool looping = lib_->looping.count(music) > 0 && music != 0;
        const bool expected = now[2] && music != 0;
        if (looping != expected || lib_->looping.size() > (looping ? 1u : 0u))
            return std::string("the music ") + (looping ? "plays" : "is silent") + " with " + marksText(now);
    }
    return {};
}

}  // namespace korvalo::testing
