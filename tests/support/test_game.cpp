#include "support/test_game.h"

#include <stdexcept>

namespace korvalo::testing {

void TestGame::seat(int kind1, int kind2, int kind3, int kind4)
{
    placeStartingPosition(s);
    s.playerKind = {0, kind1, kind2, kind3, kind4};
}

void TestGame::setBoard(const std::string& text)
{
    if (!setBoardFromText(s.board, text))
        throw std::invalid_argument("malformed board text:\n" + text);
}

std::vector<std::string> TestGame::lines(bool withDrawing) const
{
    return withDrawing ? ui.lines : ui.eventLines();
}

std::vector<std::string> linesStartingWith(const std::vector<std::string>& lines, const std::string& prefix)
{
    std::vector<std::string> out;
    for (const std::string& line : lines)
        if (line.rfind(prefix, 0) == 0)
            out.push_back(line);
    return out;
}

}  // namespace korvalo::testing
