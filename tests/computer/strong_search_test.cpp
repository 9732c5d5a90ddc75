#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "computer/end_search.h"
#include "computer/evaluation.h"
#include "computer/evaluation_weights.h"
#include "computer/levels.h"
#include "computer/search.h"
#include "property/board_oracle.h"
#include "support/test_game.h"

namespace korvalo::testing {
namespace {

using Square = std::pair<int, int>;

TEST(StrongComputer, ChoosesOnlyLegalSquaresPassesWithoutOneAndPlaysByTheRules)
{
    // Random games judged by the property harness's own statement of the
    // rule: at every position each colour's choice is one of its playable
    // squares, or none when it has none; the search's own move and hand-on
    // match the oracle's.
    strong::SearchSettings quick;
    quick.work = 600;
    strong::SearchSettings bestReply = quick;
    bestReply.backup = strong::Backup::BestReply;
    // Each way of choosing the playouts' squares, and prior tries in the tree.
    strong::SearchSettings weighted = quick, classes = quick, safe = quick, guard = quick;
    weighted.playout = strong::Playout::Weighted;
    weighted.prior = 4;
    classes.playout = strong::Playout::Classes;
    classes.epsilon = 400;
    safe.playout = strong::Playout::Safe;
    guard.playout = strong::Playout::Guard;
    guard.watched = 3;
    strong::SearchSettings evaluated = quick;
    evaluated.evaluateAfter = 3;
    std::mt19937 random(28);
    int positions = 0;
    for (int game = 0; game < 6; ++game) {
        GameState s;
        placeStartingPosition(s);
        int c = black;
        for (int move = 0; c != 0 && move < 100; ++move, ++positions) {
            for (int colour = black; colour <= red; ++colour) {
                const auto playable = playableSquares(s.board, colour);
                for (const auto& settings : {quick, bestReply, weighted, classes, safe, guard, evaluated}) {
                    const auto chosen = strong::chooseSquare(s.board, colour, settings);
                    ASSERT_EQ(chosen.has_value(), !playable.empty()) << boardText(s.board) << "colour " << colour;
                    if (chosen) {
                        ASSERT_NE(std::find(playable.begin(), playable.end(), *chosen), playable.end())
                            << boardText(s.board) << "colour " << colour << " chose " << chosen->first << ","
                            << chosen->second;
                    }
                }
            }
            const auto playable = playableSquares(s.board, c);
            const auto [x, y] = playable[random() % playable.size()];
            strong::Board b = strong::boardOf(s.board, c);
            strong::play(b, c, strong::indexOf(x, y));
            s.board = afterMove(s.board, x, y, c);
            ASSERT_TRUE(strong::boardOf(s.board, 0).stones == b.stones) << boardText(s.board);
            int next = 0;
            for (int k = 1; k <= 4 && !next; ++k)
                if (canPlay(s.board, (c - 1 + k) % 4 + 1))
                    next = (c - 1 + k) % 4 + 1;
            ASSERT_EQ(b.toMove, next) << boardText(s.board);
            c = next;
        }
    }
    EXPECT_GT(positions, 300);
}

// The stones colour c turns by playing on (column, row), walked square by
// square along each line.
strong::Bits turnedByWalking(const strong::Board& b, int c, int column, int row)
{
    strong::Bits turned = 0;
    for (int dc = -1; dc <= 1; ++dc)
        for (int dr = -1; dr <= 1; ++dr) {
            strong::Bits run = 0;
            int x = column + dc, y = row + dr;
            for (; (dc || dr) && x >= 1 && x <= 9 && y >= 1 && y <= 9; x += dc, y += dr) {
                const strong::Bits at = strong::bit(strong::indexOf(x, y));
                if (b.stones[c] & at) {
                    turned |= run;
                    break;
                }
                if (!(b.occupied() & at))
                    break;
                run |= at;
            }
        }
    return turned;
}

TEST(StrongComputer, TurnedStonesAndLegalSquaresMatchAWalkAlongEachLine)
{
    // Every colour on every free square of every position of random games,
    // stones near the edges and corners included: the stones it would turn,
    // and whether the square is legal, as a walk along the lines finds them.
    strong::Random random(41);
    long checked = 0;
    for (int game = 0; game < 40; ++game) {
        GameState s;
        placeStartingPosition(s);
        strong::Board b = strong::boardOf(s.board, black);
        strong::Bits legal = strong::legalSquares(b, black);
        while (b.toMove != 0) {
            for (int c = black; c <= red; ++c) {
                strong::Bits expectedLegal = 0;
                for (int i = 0; i < strong::squares; ++i) {
                    if (b.occupied() & strong::bit(i))
                        continue;
                    const strong::Bits turned = turnedByWalking(b, c, strong::columnOf(i), strong::rowOf(i));
                    ASSERT_TRUE(strong::turnedBy(b, c, i) == turned) << "colour " << c << " square " << i;
                    expectedLegal |= turned ? strong::bit(i) : 0;
                    ++checked;
                }
                ASSERT_TRUE(strong::legalSquares(b, c) == expectedLegal) << "colour " << c;
            }
            legal = strong::play(b, b.toMove, strong::anyOf(legal, random));
        }
    }
    EXPECT_GT(checked, 100000);
}

TEST(StrongComputer, TheSamePositionGivesTheSameSquare)
{
    GameState s;
    placeStartingPosition(s);
    s.board = afterMove(s.board, 5, 5, black);
    const auto first = strong::chooseSquare(s.board, blue);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(strong::chooseSquare(s.board, blue), first);
    // A search of another position in between leaves nothing behind.
    strong::SearchSettings quick;
    quick.work = 20000;
    EXPECT_TRUE(strong::chooseSquare(s.board, white, quick).has_value());
    EXPECT_EQ(strong::chooseSquare(s.board, blue), first);
}

TEST(ComputerLevels, EachLevelChoosesALegalSquareAndTheSameOneForTheSamePosition)
{
    // Positions of a random game; the dearer levels at fewer of them. A
    // search of another position in between leaves nothing behind, and
    // each level's choice is its own (level 1 draws its own random numbers).
    std::mt19937 random(35);
    GameState s;
    placeStartingPosition(s);
    std::vector<Grid> boards;
    std::vector<int> movers;
    for (int c = black; c != 0 && boards.size() < 60;) {
        boards.push_back(s.board);
        movers.push_back(c);
        const auto playable = playableSquares(s.board, c);
        const auto [x, y] = playable[random() % playable.size()];
        s.board = afterMove(s.board, x, y, c);
        int next = 0;
        for (int k = 1; k <= 4 && !next; ++k)
            if (canPlay(s.board, (c - 1 + k) % 4 + 1))
                next = (c - 1 + k) % 4 + 1;
        c = next;
    }
    ASSERT_EQ(boards.size(), 60u);
    for (const int level : {1, 3, 4}) {
        for (size_t i = 0; i < boards.size(); i += level == 4 ? 29 : level == 3 ? 6 : 3) {
            const auto playable = playableSquares(boards[i], movers[i]);
            const auto chosen = chooseSquareAt(boards[i], movers[i], level);
            ASSERT_TRUE(chosen.has_value()) << "level " << level << "\n" << boardText(boards[i]);
            EXPECT_NE(std::find(playable.begin(), playable.end(), *chosen), playable.end()) << "level " << level;
            const size_t other = (i + 7) % boards.size();
            EXPECT_TRUE(chooseSquareAt(boards[other], movers[other], level).has_value());
            EXPECT_EQ(chooseSquareAt(boards[i], movers[i], level), chosen) << "level " << level;
        }
    }
    // The top level once at its full work, and its search with all it
    // knows at less work for the rest.
    const auto playable = playableSquares(boards[40], movers[40]);
    const auto top = chooseSquareAt(boards[40], movers[40], strongestLevel);
    ASSERT_TRUE(top.has_value());
    EXPECT_NE(std::find(playable.begin(), playable.end(), *top), playable.end());
    strong::SearchSettings less = strong::levelSettings(strongestLevel);
    less.work /= 20;
    for (size_t i = 0; i < boards.size(); i += 10) {
        const auto chosen = strong::chooseSquare(boards[i], movers[i], less);
        const auto playableHere = playableSquares(boards[i], movers[i]);
        ASSERT_TRUE(chosen.has_value());
        EXPECT_NE(std::find(playableHere.begin(), playableHere.end(), *chosen), playableHere.end());
        EXPECT_EQ(strong::chooseSquare(boards[i], movers[i], less), chosen);
    }
}

TEST(StrongComputer, TheEvaluationSeesTheBoardAlikeTurnedOrMirroredAndValuesCorners)
{
    // Random positions seen mirrored and turned about the diagonal: every
    // colour counts the same, the four chances make up a whole first, and
    // the colour to move gains when given a free corner (nearly always: the
    // stone also changes its other counts, and the stage).
    std::mt19937 random(9);
    int positions = 0, gained = 0, cornersGiven = 0;
    for (int game = 0; game < 4; ++game) {
        GameState s;
        placeStartingPosition(s);
        for (int c = black; c != 0; ++positions) {
            Grid mirrored{}, turned{};
            for (int column = 1; column <= 9; ++column)
                for (int row = 1; row <= 9; ++row) {
                    mirrored[10 - column][row] = s.board[column][row];
                    turned[row][column] = s.board[column][row];
                }
            const strong::Board b = strong::boardOf(s.board, c);
            for (int colour = black; colour <= red; ++colour)
                for (const Grid& other : {mirrored, turned})
                    ASSERT_EQ(strong::featuresOf(strong::boardOf(other, c), colour), strong::featuresOf(b, colour))
                        << boardText(s.board);
            const strong::Rewards r = strong::estimatedRewards(b);
            EXPECT_NEAR(r[1] + r[2] + r[3] + r[4], strong::soleFirst, 4);
            // The whole-number chances are the softmax of the weighed counts.
            std::array<double, 5> score{}, chance{};
            double total = 0;
            for (int colour = black; colour <= red; ++colour) {
                const auto f = strong::featuresOf(b, colour);
                for (int i = 0; i < strong::features; ++i)
                    score[colour] += strong::fittedWeights[strong::stageOf(b)][i] * f[i] / 256.0;
                total += chance[colour] = std::exp(score[colour]);
            }
            for (int colour = black; colour <= red; ++colour)
                EXPECT_NEAR(r[colour], strong::soleFirst * chance[colour] / total, 2) << boardText(s.board);
            for (const auto& [column, row] : {Square(1, 1), Square(9, 1), Square(1, 9), Square(9, 9)})
                if (s.board[column][row] == 0) {
                    Grid given = s.board;
                    given[column][row] = c;
                    gained += strong::estimatedRewards(strong::boardOf(given, c))[c] > r[c];
                    ++cornersGiven;
                }
            const auto playable = playableSquares(s.board, c);
            const auto [x, y] = playable[random() % playable.size()];
            strong::Board next = b;
            strong::play(next, c, strong::indexOf(x, y));
            s.board = afterMove(s.board, x, y, c);
            c = next.toMove;
        }
    }
    EXPECT_GT(positions, 200);
    EXPECT_GT(cornersGiven, 200);
    EXPECT_GE(gained * 100, cornersGiven * 99);
}

TEST(StrongComputer, TakesTheSquareThatEndsTheGameWithItsColourFirst)
{
    // Black may play a5 or b6. b6 fills the last square anyone can play and
    // black ends first; a5 (what the square values prefer) lets red play
    // b6, turning b5 and b4, and red ends first.
    const std::string board = "124412343\n"
                              "122123422\n"
                              "141423243\n"
                              "112443332\n"
                              ".31111111\n"
                              "1.4243344\n"
                              "141342332\n"
                              "144143342\n"
                              "122312434\n";
    for (const auto& [level, expected] : {std::pair{strongestLevel, Square(2, 6)}, std::pair{4, Square(2, 6)},
                                          std::pair{3, Square(2, 6)}, std::pair{standardLevel, Square(1, 5)}}) {
        TestGame g;
        g.seat(computerValue, humanValue, humanValue, humanValue);
        g.setBoard(board);
        g.form.computer().setLevel(level);
        std::vector<Square> told;
        g.form.computer().tellChosenSquares([&](int column, int row) { told.emplace_back(column, row); });
        int column = 0, row = 0;
        g.form.computer().COM置場所取得(black, column, row);
        EXPECT_EQ(Square(column, row), expected);
        // Only a level other than the standard is told, to be carried.
        EXPECT_EQ(told, level != standardLevel ? std::vector<Square>{expected} : std::vector<Square>{});
        // The hand toured both squares either way.
        EXPECT_EQ(linesStartingWith(g.lines(), "wait 0.3").size(), 2u);
    }
}

TEST(StrongComputer, TheBestReplySearchTakesAFreeCornerAndSeesTheRepliesToTheEnd)
{
    strong::SearchSettings bestReply;
    bestReply.work = 20000;
    bestReply.backup = strong::Backup::BestReply;
    // Black may take a1, turning b1 to g1 along the edge.
    GameState s;
    ASSERT_TRUE(setBoardFromText(s.board, ".2222221.\n.33......\n.4.4123..\n...2143..\n...3412..\n"
                                          "....1....\n.........\n.........\n.........\n"));
    for (const auto backup : {strong::Backup::MaxN, strong::Backup::Paranoid}) {
        strong::SearchSettings other = bestReply;
        other.backup = backup;
        ASSERT_EQ(strong::chooseSquare(s.board, black, other), Square(1, 1));
    }
    const auto corner = strong::chooseSquare(s.board, black, bestReply);
    EXPECT_EQ(corner, Square(1, 1));
    EXPECT_EQ(strong::chooseSquare(s.board, black, bestReply), corner);
    // Black to move with a5 and b6 free: b6 ends the game at once with black
    // first; after a5 black has no square left and any other colour's reply
    // on b6 ends the game (red's with red first), so the search must hand
    // the move on past black and value the finished games.
    ASSERT_TRUE(setBoardFromText(s.board, "124412343\n122123422\n141423243\n112443332\n.31111111\n"
                                          "1.4243344\n141342332\n144143342\n122312434\n"));
    bestReply.work = 200;
    strong::SearchStats stats;
    EXPECT_EQ(strong::chooseSquare(s.board, black, bestReply, &stats), Square(2, 6));
    // The whole tree: the root, a5 and b6, and the three colours' replies on
    // b6 after a5, each taken alone.
    EXPECT_EQ(stats.nodes, 6);
}

TEST(StrongComputer, PriorTriesLeadASmallSearchToAFreeCorner)
{
    // Black may take i9, the last square in board order, turning h9 to c9.
    GameState s;
    ASSERT_TRUE(setBoardFromText(s.board, ".........\n.........\n.........\n....1....\n..2143...\n"
                                          "..3412...\n..4321.4.\n......33.\n.1222222.\n"));
    strong::SearchSettings one;
    one.work = 1;  // a single game from the root
    const auto blind = strong::chooseSquare(s.board, black, one);
    ASSERT_TRUE(blind.has_value());
    EXPECT_NE(blind, Square(9, 9));
    one.prior = 4;
    EXPECT_EQ(strong::chooseSquare(s.board, black, one), Square(9, 9));
}

TEST(StrongComputer, TheExactSearchFindsTheWinningSquareWithinItsPositionsOrGivesUp)
{
    // Black to move with a5 and b6 free (as above): b6 ends the game with
    // black first.
    GameState s;
    ASSERT_TRUE(setBoardFromText(s.board, "124412343\n122123422\n141423243\n112443332\n.31111111\n"
                                          "1.4243344\n141342332\n144143342\n122312434\n"));
    const strong::Board b = strong::boardOf(s.board, black);
    long searched = 0;
    EXPECT_EQ(strong::solvedSquare(b, 600, 100, &searched), strong::indexOf(2, 6));
    EXPECT_GT(searched, 0);
    EXPECT_LE(searched, 100);
    // Too few positions to search to the end: no square, and no more
    // positions searched than allowed.
    searched = 0;
    EXPECT_EQ(strong::solvedSquare(b, 600, 1, &searched), std::nullopt);
    EXPECT_EQ(searched, 1);
    // An exact search that gives up after using all the work still leaves
    // a legal square to play (a1, the square of no tree, is none here).
    strong::SearchSettings spent;
    spent.work = 1;
    spent.solveEmpty = strong::squares;
    spent.solveNodes = 1;
    GameState start;
    placeStartingPosition(start);
    const auto playable = playableSquares(start.board, black);
    const auto chosen = strong::chooseSquare(start.board, black, spent);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_NE(std::find(playable.begin(), playable.end(), *chosen), playable.end());
}

TEST(StrongComputer, GamesNearTheEndCountAtLeastTheLeastWorkAGame)
{
    // Three free squares: every game from the root is three moves at most.
    GameState s;
    ASSERT_TRUE(setBoardFromText(s.board, "333333333\n333331133\n331313323\n111312333\n112123133\n"
                                          "112212313\n.12222223\n1.2311223\n.23312222\n"));
    strong::SearchSettings settings;
    settings.work = 2400;
    strong::SearchStats counted;
    ASSERT_TRUE(strong::chooseSquare(s.board, black, settings, &counted).has_value());
    EXPECT_GE(counted.playouts, 800);
    settings.leastGameWork = 24;
    strong::SearchStats least;
    ASSERT_TRUE(strong::chooseSquare(s.board, black, settings, &least).has_value());
    EXPECT_EQ(least.playouts, 100);
}

TEST(StrongComputer, AGameEndedByTheEvaluationCountsItsCostInTheWork)
{
    // Each game stops at the node it adds and takes the estimate, which
    // counts as 6 moves besides the tree's: with 700 moves of work, at most
    // 100 games, and the work is spent.
    GameState s;
    placeStartingPosition(s);
    strong::SearchSettings settings;
    settings.work = 700;
    settings.evaluateAfter = 0;
    strong::SearchStats stats;
    ASSERT_TRUE(strong::chooseSquare(s.board, black, settings, &stats).has_value());
    EXPECT_GT(stats.playouts, 0);
    EXPECT_LE(stats.playouts, 100);
    EXPECT_GE(stats.moves, 700);
}

TEST(StrongComputer, ACarriedSquareIsPlayedWithoutChoosingAndAWrongOneIsDropped)
{
    TestGame g;
    g.seat(computerValue, humanValue, humanValue, humanValue);
    // Standard black would take its square by value; the carried one goes first.
    const auto standard = [&] {
        int column = 0, row = 0;
        g.form.computer().COM置場所取得(black, column, row);
        return Square(column, row);
    };
    const Square byValue = standard();
    const auto playable = playableSquares(g.s.board, black);
    const Square other = playable.front() == byValue ? playable.back() : playable.front();
    ASSERT_NE(other, byValue);
    g.form.computer().carry(other.first, other.second);
    EXPECT_EQ(standard(), other);
    // A square black cannot play is no square of this game.
    g.form.computer().carry(1, 1);
    g.form.computer().carry(other.first, other.second);
    EXPECT_EQ(standard(), byValue);
    EXPECT_EQ(g.form.computer().carriedCount(), 0u);
}

}  // namespace
}  // namespace korvalo::testing
