#include "computer/move_choice.h"

#include <chrono>
#include <cstdlib>

#include "computer/computer_player.h"
#include "computer/levels.h"
#include "rules/legality.h"

namespace korvalo {

int 取得_評価値(int column, int row)
{
    const bool edgeColumn = column == 1 || column == 9;
    const bool edgeRow = row == 1 || row == 9;
    const bool nextToEdgeColumn = column == 2 || column == 8;
    const bool nextToEdgeRow = row == 2 || row == 8;
    // Only the left and right edge columns earn the edge bonus; the top and
    // bottom rows do not.
    int base = 0;
    if (edgeColumn)
        base = edgeRow ? 200 : 100;
    else if (nextToEdgeColumn && nextToEdgeRow)
        base = -100;
    return base + std::abs(5 - column) + std::abs(5 - row);
}

namespace {

bool legalFor(const GameState& s, int column, int row, int c)
{
    GameState copy = s;
    return 置けるか(copy, column, row, c) == trueValue;
}

}  // namespace

std::optional<std::pair<int, int>> ComputerPlayer::carriedOrSearchedSquare(int c, std::future<SearchedSquare>& search)
{
    if (search.valid()) {
        auto done = [&search] { return search.wait_for(std::chrono::seconds(0)) == std::future_status::ready; };
        if (awaitSearch_ && !done())
            awaitSearch_(done);
        return search.get();
    }
    std::optional<std::pair<int, int>> settled;
    if (carried_.empty() && awaitCarried_)
        awaitCarried_();
    if (!carried_.empty()) {
        settled = carried_.front();
        carried_.pop_front();
        // A square that is not legal here cannot come from the same game:
        // the squares carried are dropped, and the computer chooses itself.
        if (!legalFor(s, settled->first, settled->second, c)) {
            carried_.clear();
            settled.reset();
        }
    }
    if (!settled && choosesApart(level_))
        settled = chooseSquareAt(s.board, c, level_);
    return settled;
}

void ComputerPlayer::COM置場所取得(int c, int& column, int& row)
{
    // A level other than the standard chooses on a copy of the board, on a
    // thread of its own while the hand tours the legal squares: the tour's
    // pauses hide it, and the game waits at the end of the tour only if it
    // is not done. Its square does not depend on how long it took. A square carried from
    // where the game was played first goes before any choice here. Either
    // way the tour looks the same whatever chooses.
    std::future<SearchedSquare> search;
    if (carried_.empty() && !awaitCarried_ && choosesApart(level_))
        search = std::async(std::launch::async,
                            [board = s.board, c, level = level_] { return chooseSquareAt(board, c, level); });

    // The hand of colour c visits each legal square in scan order (columns
    // left to right, rows top to bottom) for 0.3 s; it steps 700 twips a
    // square. Only a strictly better value replaces the choice, so among
    // equal values the first square scanned wins.
    ui_.setIconVisible(IconPicture::TE, c, true);
    int best = -99990;
    for (int x = 1; x <= 9; ++x) {
        for (int y = 1; y <= 9; ++y) {
            if (置けるか(s, x, y, c) != trueValue)
                continue;
            ui_.moveIcon(IconPicture::TE, c, boardLeft + 700 * x - 380, boardTop + 700 * y - 250);
            display_.待ち時間(0.3);
            const int value = 取得_評価値(x, y);
            if (value > best) {
                best = value;
                column = x;
                row = y;
            }
        }
    }
    ui_.setIconVisible(IconPicture::TE, c, false);
    if (const auto settled = carriedOrSearchedSquare(c, search)) {
        if (chosen_)
            chosen_(settled->first, settled->second);
        column = settled->first;
        row = settled->second;
    }
}

}  // namespace korvalo
