#pragma once
// The benchmarks' player: the colour to move clicks its first legal square
// in scan order, or a1 to pass.
#include <string>
#include <utility>

#include "flow/form1.h"
#include "rules/legality.h"

namespace korvalo::bench {

// The first square the colour to move may take; a1 when it has none.
inline std::pair<int, int> firstSquare(const GameState& s)
{
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) {
            GameState copy = s;
            if (置けるか(copy, x, y, s.turnColour) == trueValue)
                return {x, y};
        }
    return {1, 1};
}

// Clicks that square in the game and gives its script line.
inline std::string clickFirstSquare(Form1& form)
{
    const auto [column, row] = firstSquare(form.state());
    const double x = boardLeft + cellWidth * column + cellWidth / 2.0;
    const double y = boardTop + cellHeight * row + cellHeight / 2.0;
    form.Form_MouseDown(1, 0, x, y);
    form.Form_MouseUp(1, 0, x, y);
    return "click " + std::to_string(column) + " " + std::to_string(row) + "\n";
}

}  // namespace korvalo::bench
