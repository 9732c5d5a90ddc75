// The game watch's checks of what the window shows (drawing, screen, icons)
// and of what each step itself should have done.
#include "property/game_watch.h"

#include <charconv>
#include <cstring>
#include <string_view>

#include "property/board_oracle.h"
#include "property/watch_text.h"
#include "rules/turn_order.h"

namespace korvalo::testing {

namespace {

// The colour of the one stone that is new in cur against prev; 0 when there
// is not exactly one.
int newStoneColour(const Position& prev, const Position& cur)
{
    int colour = 0;
    int filled = 0;
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y)
            if (prev[x][y] == emptyValue && cur[x][y] != emptyValue) {
                ++filled;
                colour = cur[x][y];
            }
    return filled == 1 ? colour : 0;
}

std::string passBox(int c)
{
    static const char* const titles[] = {"", "　　黒の手番", "　　青の手番", "　　白の手番", "　　赤の手番"};
    return "msgbox \"　　PASS\" \"" + std::string(titles[c]) + "\" OK none -> OK";
}

}  // namespace

namespace {

// The blank-separated fields of a recorded line after its first word, read
// as whole numbers where they are numbers.
struct Fields {
    std::string_view words[6];
    int count = 0;
};

Fields fieldsOf(std::string_view line)
{
    Fields f;
    std::size_t pos = line.find(' ');
    while (pos != std::string_view::npos && f.count < 6) {
        const std::size_t next = line.find(' ', pos + 1);
        f.words[f.count++] = line.substr(pos + 1, next == std::string_view::npos ? next : next - pos - 1);
        pos = next;
    }
    return f;
}

bool number(std::string_view text, int& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string GameWatch::followDrawing(const std::vector<std::string>& lines)
{
    constexpr int boardRight = boardLeft + 10 * cellWidth;  // right of column 9
    constexpr int boardBottom = boardTop + 10 * cellHeight;
    // Marks every square that the rectangle [x, x + w] x [y, y + h] touches.
    auto cover = [this](int x, int y, int w, int h) {
        for (int c = 1; c <= 9; ++c)
            for (int r = 1; r <= 9; ++r) {
                const int left = boardLeft + cellWidth * c;
                const int top = boardTop + cellHeight * r;
                if (x < left + cellWidth && x + w >= left && y < top + cellHeight && y + h >= top)
                    screen_[c][r] = partlyCovered;
            }
    };
    static const std::string_view sets[] = {"", "KURO", "AO", "SIRO", "AKA"};
    for (const std::string& line : lines) {
        const bool picture = line.rfind("picture ", 0) == 0;
        if (!picture && line.rfind("fill ", 0) != 0)
            continue;
        const Fields f = fieldsOf(line);
        int x = 0;
        int y = 0;
        if (picture) {
            // picture NAME ELEMENT X Y
            int element = 0;
            if (f.count != 4 || !number(f.words[1], element) || !number(f.words[2], x) || !number(f.words[3], y))
                return "unreadable drawing: " + line;
            const std::string_view name = f.words[0];
            if (x >= boardRight || y >= boardBottom || x + cellWidth <= boardLeft + cellWidth ||
                y + cellHeight <= boardTop + cellHeight)
                continue;  // beside the squares, as the title is
            const int c = (x - boardLeft) / cellWidth;
            const int r = (y - boardTop) / cellHeight;
            if ((x - boardLeft) % cellWidth != 0 || (y - boardTop) % cellHeight != 0 || !onBoard(c, r)) {
                cover(x, y, cellWidth - 1, cellHeight - 1);
                continue;
            }
            int shown = partlyCovered;
            if (name == "MASU")
                shown = emptyValue;
            else if (name == "KOMA_SIDOU")
                shown = markValue;
            for (int colour = black; colour <= red; ++colour)
                if (name == sets[colour])
                    shown = element == 1 ? colour : turningFrame;
            screen_[c][r] = shown;
        } else {
            // fill X Y W H COLOUR
            int w = 0;
            int h = 0;
            if (f.count != 5 || !number(f.words[0], x) || !number(f.words[1], y) || !number(f.words[2], w) ||
                !number(f.words[3], h))
                return "unreadable drawing: " + line;
            cover(x, y, w, h);
        }
    }
    return {};
}

std::string GameWatch::checkScreen() const
{
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) {
            const int shown = screen_[x][y];
            if (shown == form_.state().board[x][y])
                continue;
            const std::string what = shown == emptyValue      ? "an empty square"
                                     : shown == markValue     ? "a playable-square mark"
                                     : shown == turningFrame  ? "a stone half turned"
                                     : shown == partlyCovered ? "something drawn partly over it"
                                                              : "a " + colourName(shown) + " stone";
            return "the screen shows " + what + " on " + square(x, y) + " where the board holds " +
                   std::to_string(form_.state().board[x][y]) + ":\n" + boardText(form_.state().board);
        }
    return {};
}

std::string GameWatch::checkIcons() const
{
    const RecordingPlatform& ui = ui_;
    int shown = 0;
    int shownAt = 0;
    for (int i = 1; i <= 4; ++i) {
        if (ui.icon(IconPicture::TE, i).visible)
            return "the thinking hand of " + colourName(i) + " is still shown";
        for (IconPicture icon : {IconPicture::ICO_MAN, IconPicture::ICO_COM})
            if (ui.icon(icon, i).visible) {
                ++shown;
                shownAt = i;
            }
    }
    const int t = form_.state().turnColour;
    if (ui.isChecked(CheckItem::AICON) && t != noneValue) {
        if (shown != 1 || shownAt != t)
            return std::to_string(shown) + " seat icons shown, the last at " + colourName(shownAt) + ", while " +
                   colourName(t) + " is to move";
    } else if (shown != 0) {
        return std::to_string(shown) + " seat icons shown with icons off or no game";
    }
    return {};
}

std::string GameWatch::checkStep(const Step& step, const std::vector<std::string>& lines) const
{
    const GameState& s = form_.state();
    // The refusal sound, when there is a library to record it, then the box.
    auto refusal = [this](const std::string& box) {
        std::vector<std::string> out;
        if (lib_)
            out.push_back(playLine(form_.sounds().buffer(GameSounds::Sound::Forbidden)));
        if (!box.empty())
            out.push_back(box);
        return out;
    };
    const int mB = before_.moveNumber;
    const int tB = before_.turnColour;
    switch (step.act) {
    case Act::Seat:
        if (s.turnColour == noneValue && !gameEnded_)
            return "no game runs after a seating command";
        return {};
    case Act::LegalPress: {
        const Grid expected = afterMove(before_.board, step.column, step.row, tB);
        if (playingSquares(expected) != s.history[mB + 1] || s.moveColumn[mB + 1] != step.column ||
            s.moveRow[mB + 1] != step.row)
            return "the press on " + square(step.column, step.row) + " did not store " + colourName(tB) +
                   "'s move " + std::to_string(mB + 1) + ":\n" + positionText(s.history[mB + 1]);
        if (lib_ && (lines.empty() || lines.front() != playLine(form_.sounds().buffer(GameSounds::Sound::Stone))))
            return "the stone was set down without its sound";
        if (s.turnColour != noneValue && s.moveNumber <= mB)
            return "a game runs but the move was not counted";
        return {};
    }
    case Act::IllegalPress:
        if (!unchanged() || lines != refusal(""))
            return "a press on an illegal square changed the game or was not refused";
        return {};
    case Act::OutsidePress:
        if (!unchanged() || !lines.empty())
            return "a press off the squares did something";
        return {};
    case Act::PassPress:
        if (lines.empty() || lines.front() != passBox(tB))
            return "a press by " + colourName(tB) + ", who cannot play, did not pass";
        if (s.gameMode == modeFour &&
            (s.turnColour != nextColour(tB) || s.board != before_.board || s.moveNumber != mB))
            return "a pass of four persons did not hand the turn to the next colour alone";
        return {};
    case Act::ComputerPress:
        return {};
    case Act::NoGamePress:
        if (!unchanged() || lines != refusal("msgbox \"対局で始めて下さい\" \"開始\" OK none -> OK"))
            return "a press with no game running was not refused";
        return {};
    case Act::Back:
        if (mB == 0) {
            if (!unchanged() ||
                lines != refusal("msgbox \"戻れません\" \"戻る\" OK none -> OK"))
                return "back from position 0 was not refused";
            return {};
        }
        if (s.moveNumber != mB - 1 || s.lastMoveNumber != before_.lastMoveNumber || s.gameMode != before_.gameMode)
            return "back from position " + std::to_string(mB) + " went to " + std::to_string(s.moveNumber);
        if (s.turnColour != newStoneColour(s.history[mB - 1], s.history[mB]))
            return "after back, " + colourName(s.turnColour) + " is to move, not the colour of move " +
                   std::to_string(mB);
        return {};
    case Act::Forward:
        if (mB >= before_.lastMoveNumber) {
            if (!unchanged() ||
                lines != refusal("msgbox \"進めません\" \"進む\" OK none -> OK"))
                return "forward from the newest position was not refused";
            return {};
        }
        if (s.moveNumber != mB + 1 || s.lastMoveNumber != before_.lastMoveNumber || s.gameMode != before_.gameMode)
            return "forward from position " + std::to_string(mB) + " went to " + std::to_string(s.moveNumber);
        if (s.turnColour != nextColour(newStoneColour(s.history[mB], s.history[mB + 1])))
            return "after forward, " + colourName(s.turnColour) + " is to move";
        return {};
    case Act::First:
        if (s.turnColour != noneValue)
            return "a game runs after first";
        return {};
    case Act::MoveNumbers:
    case Act::Icons:
    case Act::Music:
        if (!unchanged())
            return "an option switch changed the game";
        return {};
    case Act::About:
        if (!unchanged() || countStartingWith(lines, "msgbox \"Korvalo  Ver ") != 1)
            return "the about box changed the game or did not show";
        return {};
    }
    return {};
}

}  // namespace korvalo::testing
