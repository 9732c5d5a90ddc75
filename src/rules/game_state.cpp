#include "rules/game_state.h"

#include <sstream>

namespace korvalo {

void placeStartingPosition(GameState& s)
{
    for (auto& column : s.board)
        column.fill(emptyValue);
    struct Stone { int colour, x, y; };
    static constexpr Stone start[] = {
        {white, 6, 3}, {blue, 3, 4}, {red, 7, 6}, {black, 4, 7},
        {white, 6, 4}, {blue, 4, 4}, {red, 6, 6}, {black, 4, 6},
        {white, 5, 4}, {blue, 4, 5}, {red, 6, 5}, {black, 5, 6},
        {white, 5, 3}, {blue, 3, 5}, {red, 7, 5}, {black, 5, 7},
    };
    for (const Stone& st : start)
        s.board[st.x][st.y] = st.colour;
}

namespace {
char cellChar(int v) { return v == emptyValue ? '.' : static_cast<char>('0' + v); }

template <typename Cells>
std::string squaresText(const Cells& cells)
{
    std::string text;
    for (int y = 1; y <= 9; ++y) {
        for (int x = 1; x <= 9; ++x)
            text += cellChar(cells[x][y]);
        text += '\n';
    }
    return text;
}
}  // namespace

std::string boardText(const Grid& board) { return squaresText(board); }
std::string positionText(const Position& position) { return squaresText(position); }

namespace {
bool readSquares(Grid& board, const std::string& text)
{
    std::istringstream in(text);
    std::string line;
    int y = 0;
    while (std::getline(in, line)) {
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        ++y;
        if (y > 9 || line.size() < 9)
            return false;
        for (int x = 1; x <= 9; ++x) {
            char ch = line[x - 1];
            if (ch == '.')
                board[x][y] = emptyValue;
            else if (ch >= '1' && ch <= '4')
                board[x][y] = ch - '0';
            else
                return false;
        }
    }
    return y == 9;
}
}  // namespace

bool setBoardFromText(Grid& board, const std::string& text)
{
    for (auto& column : board)
        column.fill(emptyValue);
    if (readSquares(board, text))
        return true;
    for (auto& column : board)
        column.fill(emptyValue);
    return false;
}

}  // namespace korvalo
