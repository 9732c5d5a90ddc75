#pragma once
// The computer's choice of square for a computer colour: the hand's tour of
// the legal squares with the fixed value of each (computer/move_choice.h),
// the other levels' choice (computer/levels.h), and the squares carried from
// where the game was played first.
#include <deque>
#include <functional>
#include <future>
#include <optional>
#include <utility>

#include "computer/levels.h"
#include "display/board_display.h"
#include "platform/platform.h"
#include "rules/game_state.h"

namespace korvalo {

class ComputerPlayer {
public:
    // display gives the pause of the hand's tour.
    ComputerPlayer(Platform& ui, GameState& state, BoardDisplay& display)
        : ui_(ui), s(state), display_(display)
    {
    }

    void COM置場所取得(int c, int& column, int& row);  // the computer's choice of square

    // How the computer colours choose their squares: a level from
    // weakestLevel to strongestLevel, standardLevel by the fixed value of
    // each square, any other by computer/levels.h.
    int level() const { return level_; }
    void setLevel(int level) { level_ = level; }

    // Carries a square a computer of a level other than the standard chose
    // elsewhere (in a recorded game, or at the host of a network game): the
    // next computer move plays it instead of a choice here, so that the game
    // goes on as it went there.
    void carry(int column, int row) { carried_.emplace_back(column, row); }
    // How many carried squares wait to be played.
    std::size_t carriedCount() const { return carried_.size(); }

    // Tells chosen (empty: no one) of every square a computer colour plays by
    // a level other than the standard or from the carried ones, after the
    // hand's tour; the squares of the standard choice are not told.
    void tellChosenSquares(std::function<void(int column, int row)> chosen) { chosen_ = std::move(chosen); }
    // Has wait (empty: none) called at the end of the hand's tour when a
    // computer colour is to choose and no square is carried: a window that
    // plays a host's game waits there for the host's square. While it is
    // set, no choice of another level starts here.
    void waitForCarriedSquares(std::function<void()> wait) { awaitCarried_ = std::move(wait); }
    // Has wait (empty: none) called at the end of the hand's tour while the
    // choice of a level other than the standard still runs, with a test of
    // whether it is done: a window keeps painting and a host keeps serving
    // its connections meanwhile. Without it the game simply waits for the
    // search.
    void keepAnsweringWhileSearching(std::function<void(const std::function<bool()>& done)> wait)
    {
        awaitSearch_ = std::move(wait);
    }

private:
    // The square a computer colour plays at the end of the hand's tour: the
    // running choice's, a carried one or a new choice's; none for the
    // standard choice.
    using SearchedSquare = std::optional<std::pair<int, int>>;
    SearchedSquare carriedOrSearchedSquare(int c, std::future<SearchedSquare>& search);

    int level_ = standardLevel;
    std::deque<std::pair<int, int>> carried_;
    std::function<void(int column, int row)> chosen_;
    std::function<void()> awaitCarried_;
    std::function<void(const std::function<bool()>& done)> awaitSearch_;
    Platform& ui_;
    GameState& s;  // its viewBoard follows the legality queries of the tour
    BoardDisplay& display_;
};

}  // namespace korvalo
