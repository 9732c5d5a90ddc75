#include "script/script_language.h"

#include "computer/levels.h"
#include "flow/menu_commands.h"
#include "script/script_reader.h"

#include <charconv>
#include <cmath>
#include <istream>
#include <ostream>
#include <sstream>

namespace korvalo {

namespace {

constexpr double maxTwips = 1000000;

std::vector<std::string> words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> out;
    std::string word;
    while (in >> word)
        out.push_back(word);
    return out;
}

bool toInteger(const std::string& text, int* value)
{
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, *value);
    return ec == std::errc() && ptr == end;
}

}  // namespace

bool toNumber(const std::string& text, double* value)
{
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, *value);
    return ec == std::errc() && ptr == end && std::isfinite(*value);
}

bool parseScriptLine(const std::string& line, ScriptCommand* command, std::string* error)
{
    using Kind = ScriptCommand::Kind;
    *command = ScriptCommand{};
    const std::vector<std::string> w = words(line);
    if (w.empty() || w[0][0] == '#')
        return true;
    const std::string& name = w[0];
    auto fail = [&](const std::string& why) {
        *error = why + ": " + quotedLine(line);
        return false;
    };

    if (name == "menu") {
        if (w.size() != 2)
            return fail("menu takes one item name");
        if (!menuHandler(w[1]))
            return fail("unknown menu item");
        command->kind = Kind::Input;
        command->input.item = w[1];
    } else if (name == "press" || name == "release") {
        const bool pressWithButton = name == "press" && w.size() == 4;
        if (!(w.size() == 3 || pressWithButton) || !toNumber(w[1], &command->input.x) ||
            !toNumber(w[2], &command->input.y))
            return fail(name + " takes X and Y in twips");
        // Far beyond any window, and within what the game's integers hold.
        if (std::abs(command->input.x) > maxTwips || std::abs(command->input.y) > maxTwips)
            return fail(name + " takes X and Y from -" + std::to_string(int(maxTwips)) + " to " +
                        std::to_string(int(maxTwips)) + " twips");
        if (pressWithButton && w[3] != "right")
            return fail("the only button word is right");
        command->kind = Kind::Input;
        command->input.kind = name == "press" ? Input::Kind::Press : Input::Kind::Release;
        command->input.button = pressWithButton ? 2 : 1;
    } else if (name == "click") {
        int column = 0, row = 0;
        if (w.size() != 3 || !toInteger(w[1], &column) || !toInteger(w[2], &row) || std::abs(column) > 1000 ||
            std::abs(row) > 1000)
            return fail("click takes a column and a row");
        command->kind = Kind::Input;
        command->input.kind = Input::Kind::Click;
        command->input.x = boardLeft + cellWidth * column + cellWidth / 2;
        command->input.y = boardTop + cellHeight * row + cellHeight / 2;
    } else if (name == "key") {
        if (w.size() != 2 || !toInteger(w[1], &command->input.code))
            return fail("key takes a character code");
        command->kind = Kind::Input;
        command->input.kind = Input::Kind::Key;
    } else if (name == "close") {
        if (w.size() != 1)
            return fail("close takes nothing");
        command->kind = Kind::Input;
        command->input.kind = Input::Kind::Close;
    } else if (name == "answer") {
        if (w.size() < 2)
            return fail("answer takes one or more of OK, Yes, No");
        for (size_t i = 1; i < w.size(); ++i) {
            if (w[i] == "OK")
                command->answers.push_back(Answer::OK);
            else if (w[i] == "Yes")
                command->answers.push_back(Answer::Yes);
            else if (w[i] == "No")
                command->answers.push_back(Answer::No);
            else
                return fail("an answer is OK, Yes or No");
        }
        command->kind = Kind::Answer;
    } else if (name == "computer" && w.size() == 2) {
        const std::optional<int> level = levelOf(w[1]);
        if (!level)
            return fail("computer takes a level (1 to 5, standard or strong), or a column and a row");
        command->kind = Kind::Strength;
        command->level = *level;
    } else if (name == "computer") {
        if (w.size() != 3 || !toInteger(w[1], &command->column) || !toInteger(w[2], &command->row) ||
            command->column < 1 || command->column > 9 || command->row < 1 || command->row > 9)
            return fail("computer takes a column and a row, 1 to 9");
        command->kind = Kind::Computer;
    } else if (name == "state") {
        if (w.size() != 1)
            return fail("state takes nothing");
        command->kind = Kind::State;
    } else if (name == "wait") {
        if (w.size() == 2 && w[1] == "end") {
            command->kind = Kind::WaitEnd;
        } else if (w.size() == 3 && w[1] == "players" && toInteger(w[2], &command->players) &&
                   command->players >= 1 && command->players <= 8) {
            command->kind = Kind::WaitPlayers;
        } else {
            return fail("wait takes players N (1 to 8) or end");
        }
    } else if (name == "snapshot") {
        const std::string::size_type at = line.find("snapshot") + 8;
        const std::string::size_type start = line.find_first_not_of(" \t", at);
        if (start == std::string::npos)
            return fail("snapshot takes a file name");
        command->kind = Kind::Snapshot;
        command->file = line.substr(start, line.find_last_not_of(" \t") - start + 1);
    } else {
        return fail("unknown command");
    }
    return true;
}

void printState(std::ostream& out, const GameState& s, const Platform& ui)
{
    out << "state turn=" << s.turnColour << " mode=" << s.gameMode << " move=" << s.moveNumber
        << " last=" << s.lastMoveNumber << " kinds=" << s.playerKind[1] << ',' << s.playerKind[2] << ','
        << s.playerKind[3] << ',' << s.playerKind[4] << " checks=TEJYUN:" << ui.isChecked(CheckItem::TEJYUN)
        << ",AICON:" << ui.isChecked(CheckItem::AICON) << ",BGM:" << ui.isChecked(CheckItem::BGM) << '\n';
    for (int row = 1; row <= 9; ++row) {
        out << "row " << row << ' ';
        for (int column = 1; column <= 9; ++column)
            out << s.board[column][row];
        out << '\n';
    }
    out << std::flush;
}

}  // namespace korvalo
