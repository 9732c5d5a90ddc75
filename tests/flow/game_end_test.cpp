#include <gtest/gtest.h>

#include "rules/snapshots.h"
#include "support/game_driver.h"

namespace korvalo::testing {
namespace {

using Lines = std::vector<std::string>;

// Four persons; black's move on c1 takes b1 and leaves nobody able to play.
void lastMoveOfFourPersons(TestGame& game)
{
    game.s.playerKind = {0, humanValue, humanValue, humanValue, humanValue};
    game.s.gameMode = modeFour;
    game.s.turnColour = black;
    game.setBoard("12.......\n.........\n.........\n.........\n.........\n"
                  ".........\n.........\n.........\n.........\n");
    保存_オセロ盤(game.s, 0);
    game.clear();
}

Lines repeat(const std::string& line, int n) { return Lines(n, line); }

TEST(GameEnd, AnnouncesCountsOutRanksAndPlaysOnWithYes)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    lastMoveOfFourPersons(game);
    game.ui.answers = {Answer::OK, Answer::OK, Answer::Yes};
    clickSquare(game.form, 3, 1);

    Lines expected = {"sound dsPlay 石打音.wav"};
    for (const Lines& part : {repeat("wait 0.1", 6), Lines{"wait 0.05", "sound dsPlay 石打音.wav"},
                              repeat("wait 0.1", 6)})
        expected.insert(expected.end(), part.begin(), part.end());
    expected.push_back("msgbox \"終了しました\" \"対局\" OK none -> OK");
    expected.push_back("wait 0.5");
    for (int step = 0; step < 3; ++step) {
        expected.push_back("sound dsPlay 石打音.wav");
        expected.push_back("wait 0.2");
    }
    expected.push_back(
        "msgbox \" 黒 1 位\u3000\uFF083個\uFF09\\r\\r 青 2 位\u3000\uFF080個\uFF09\\r\\r"
        " 白 2 位\u3000\uFF080個\uFF09\\r\\r 赤 2 位\u3000\uFF080個\uFF09\\r\" \"\" OK none -> OK");
    expected.push_back("msgbox \"続けます？\" \"対局\" YesNo none -> Yes");
    expected.push_back("sound dsPlayLooping BGM.wav");  // the settings are read again
    EXPECT_EQ(game.lines(), expected);

    // The count-out put black's three stones up the right edge from the bottom.
    const Lines all = game.lines(true);
    EXPECT_EQ(linesStartingWith(all, "picture KURO 1 6070 "),
              (Lines{"picture KURO 1 6070 5770", "picture KURO 1 6070 5140", "picture KURO 1 6070 4510"}));

    GameState start;
    placeStartingPosition(start);
    EXPECT_EQ(boardText(game.s.board), boardText(start.board));
    EXPECT_EQ(game.s.turnColour, noneValue);
    EXPECT_EQ(game.s.gameMode, noneValue);
    EXPECT_EQ(game.s.playerKind, (std::array<int, 5>{0, 1, 1, 1, 1}));

    // A press now asks for a game to be chosen.
    game.clear();
    clickSquare(game.form, 4, 3);
    EXPECT_EQ(game.lines(), (Lines{"sound dsPlay 禁止.wav", "msgbox \"対局で始めて下さい\" \"開始\" OK none -> OK"}));
}

TEST(GameEnd, NoShutsDownWithoutAFurtherQuestion)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    lastMoveOfFourPersons(game);
    game.ui.answers = {Answer::OK, Answer::OK, Answer::No};
    clickSquare(game.form, 3, 1);
    const Lines events = game.lines();
    const Lines tail(events.end() - 7, events.end());
    EXPECT_EQ(tail, (Lines{"msgbox \"続けます？\" \"対局\" YesNo none -> No", "sound dsFree その他.wav",
                           "sound dsFree 禁止.wav", "sound dsFree 石打音.wav", "sound dsFree BGM.wav",
                           "sound dsTerminate", "exit"}));
    EXPECT_TRUE(game.form.programEnded());
}

TEST(GameEnd, ReleaseAfterTheCountOutNeverWipesAStone)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    lastMoveOfFourPersons(game);
    game.form.Form_MouseDown(1, 0, squareX(3), squareY(1));
    game.clear();
    // The release arrives after the board was reset, with viewBoard left as
    // the count-out's scratch grid.
    game.form.Form_MouseUp(1, 0, squareX(3), squareY(1));
    for (const std::string& line : linesStartingWith(game.lines(true), "picture MASU 0 ")) {
        int x = 0, y = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "picture MASU 0 %d %d", &x, &y), 2);
        const int column = (x - 400) / 630, row = (y - 100) / 630;
        EXPECT_EQ(game.s.board[column][row], emptyValue) << line;
    }
}

}  // namespace
}  // namespace korvalo::testing
