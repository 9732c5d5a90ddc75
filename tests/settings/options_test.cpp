#include "settings/settings_fixture.h"

namespace korvalo::testing {
namespace {

using Lines = std::vector<std::string>;

// The file as Shift_JIS, built from the three values.
std::string fileFor(const char* numbers, const char* icons, const char* music)
{
    return sjis(std::string("手順番号表示=") + numbers + "\r\nｱｲｺﾝ表示=" + icons + "\r\nBGM=" + music + "\r\n");
}

TEST_F(SettingsTest, MusicSwitchStopsAndRestartsTheLoopAndRewritesTheFile)
{
    g.form.BGM_Click();
    EXPECT_EQ(g.lines(), (Lines{"check BGM 0", "sound dsStop BGM.wav"}));
    EXPECT_EQ(fileBytes(), fileFor("NG", "NG", "NG"));
    EXPECT_TRUE(g.lib.looping.empty());
    g.clear();

    g.form.BGM_Click();
    EXPECT_EQ(g.lines(), (Lines{"check BGM 1", "sound dsPlayLooping BGM.wav"}));
    EXPECT_EQ(fileBytes(), fileFor("NG", "NG", "OK"));
    EXPECT_EQ(g.lib.looping.size(), 1u);
    EXPECT_EQ(entries(), (Lines{"Korvalo.ini"}));
}

TEST_F(SettingsTest, MoveNumberSwitchDrawsTheNumbersOrRedrawsTheBoard)
{
    g.seat(humanValue, humanValue, humanValue, humanValue);
    // Move 1 on column 3, row 4, now under a white stone; move 2's square is
    // empty in the position shown.
    g.s.board[3][4] = white;
    g.s.moveColumn[1] = 3, g.s.moveRow[1] = 4;
    g.s.moveColumn[2] = 7, g.s.moveRow[2] = 7;
    g.s.lastMoveNumber = 2;
    g.s.moveNumber = 1;

    g.form.TEJYUN_Click();
    const Lines on = g.lines();
    ASSERT_FALSE(on.empty());
    EXPECT_EQ(on.front(), "check TEJYUN 1");
    EXPECT_EQ(linesStartingWith(on, "text "), (Lines{"text \"1\" 2542 2746 14 0"}));
    EXPECT_EQ(fileBytes(), fileFor("OK", "NG", "OK"));
    g.clear();

    g.form.TEJYUN_Click();
    const Lines off = g.lines(true);
    ASSERT_FALSE(off.empty());
    EXPECT_EQ(off.front(), "check TEJYUN 0");
    EXPECT_EQ(linesStartingWith(off, "picture ").size(), 81u);
    EXPECT_TRUE(linesStartingWith(off, "text ").empty());
    EXPECT_EQ(fileBytes(), fileFor("NG", "NG", "OK"));
}

TEST_F(SettingsTest, IconSwitchShowsTheIconOfTheColourToMove)
{
    g.seat(humanValue, computerValue, computerValue, computerValue);
    g.s.turnColour = white;

    g.form.AICON_Click();
    EXPECT_EQ(g.lines(), (Lines{"check AICON 1", "icon ICO_COM 3 shown 3600 300"}));
    EXPECT_EQ(fileBytes(), fileFor("NG", "OK", "OK"));
    g.clear();

    g.form.AICON_Click();
    EXPECT_EQ(g.lines(), (Lines{"check AICON 0", "icon ICO_COM 3 hidden"}));
    EXPECT_EQ(fileBytes(), fileFor("NG", "NG", "OK"));
}

TEST_F(SettingsTest, IconSwitchShowsNoIconWhileNoGameRuns)
{
    g.form.AICON_Click();
    EXPECT_EQ(g.lines(), (Lines{"check AICON 1"}));
    EXPECT_EQ(fileBytes(), fileFor("NG", "OK", "OK"));
}

TEST_F(SettingsTest, AboutBoxPlaysItsSoundAndShowsTheExactText)
{
    g.form.SONOTA_Click();
    const std::string text =
        "Korvalo  Ver 1.0\r\rHome page\rhttps://korvalo.example.org/\r\re-mail\rkorvalo@example.org";
    EXPECT_EQ(g.lines(), (Lines{"sound dsPlay その他.wav", "msgbox " + quoted(text) + " \"Korvalo\" OK none -> OK"}));
    EXPECT_EQ(marks(), "TEJYUN=0 AICON=0 BGM=1");
    EXPECT_TRUE(entries().empty());
}

}  // namespace
}  // namespace korvalo::testing
