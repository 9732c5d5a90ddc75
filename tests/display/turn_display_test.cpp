#include <gtest/gtest.h>

#include "display/display_support.h"

namespace korvalo::testing {
namespace {

using Lines = std::vector<std::string>;

// Puts the check mark on the icon option and forgets the lines so far.
void withIcons(TestGame& g)
{
    g.ui.setChecked(CheckItem::AICON, true);
    g.clear();
}

TEST(TurnLine, IsErasedThenNameAndWordsAreWritten)
{
    TestGame g;
    g.seat(humanValue, computerValue, computerValue, computerValue);
    withIcons(g);
    g.form.display().描画_手番(blue);
    EXPECT_EQ(g.lines(true), (Lines{"fill 7015 3250 2200 300 32768", "icon ICO_COM 2 shown 650 3200",
                                    "text \"青\" 7015 3250 12 16777215", "refresh",
                                    "text \"の番です\" 7393 3250 12 16777215", "refresh"}));
}

TEST(TurnLine, ColourNamesAndAnUnknownCodePrintsOnlyTheWords)
{
    TestGame g;
    const std::pair<int, const char*> names[] = {{black, "黒"}, {blue, "青"}, {white, "白"}, {red, "赤"}};
    for (const auto& [c, name] : names) {
        g.clear();
        g.form.display().描画_手番(c);
        EXPECT_EQ(linesStartingWith(g.lines(), "text"),
                  (Lines{std::string("text \"") + name + "\" 7015 3250 12 16777215",
                         "text \"の番です\" 7393 3250 12 16777215"}));
    }
    g.clear();
    g.form.display().描画_手番(noneValue);
    EXPECT_EQ(g.lines(true), (Lines{"fill 7015 3250 2200 300 32768",
                                    "text \"の番です\" 7393 3250 12 16777215", "refresh"}));
}

TEST(SeatIcons, EachColourShowsItsKindAtItsSeat)
{
    struct Case {
        int c;
        int kind;
        const char* line;
    };
    const Case cases[] = {
        {black, computerValue, "icon ICO_COM 1 shown 3600 6300"},
        {black, humanValue, "icon ICO_MAN 1 shown 3600 6300"},
        {blue, computerValue, "icon ICO_COM 2 shown 650 3200"},
        {blue, humanValue, "icon ICO_MAN 2 shown 650 3200"},
        {white, computerValue, "icon ICO_COM 3 shown 3600 300"},
        {white, humanValue, "icon ICO_MAN 3 shown 3600 300"},
        {red, computerValue, "icon ICO_COM 4 shown 6600 3200"},
        {red, humanValue, "icon ICO_MAN 4 shown 6600 3200"},
    };
    for (const Case& k : cases) {
        TestGame g;
        g.s.playerKind[k.c] = k.kind;
        withIcons(g);
        g.form.display().描画_打手(k.c);
        EXPECT_EQ(g.lines(), (Lines{k.line})) << "colour " << k.c;
    }
}

TEST(SeatIcons, NextTurnHidesTheIconBeforeShowingItsOwn)
{
    TestGame g;
    g.seat(humanValue, computerValue, humanValue, computerValue);
    withIcons(g);
    g.form.display().描画_打手(white);
    g.form.display().描画_打手(red);
    EXPECT_EQ(g.lines(), (Lines{"icon ICO_MAN 3 shown 3600 300", "icon ICO_MAN 3 hidden",
                                "icon ICO_COM 4 shown 6600 3200"}));
}

TEST(SeatIcons, NoneWithTheOptionOffBeforeAModeOrForAnUnknownColour)
{
    TestGame g;
    g.seat(humanValue, computerValue, computerValue, computerValue);
    withIcons(g);
    g.form.display().描画_打手(black);
    g.ui.setChecked(CheckItem::AICON, false);
    g.clear();
    g.form.display().描画_打手(black);
    EXPECT_EQ(g.lines(), (Lines{"icon ICO_MAN 1 hidden"}));

    TestGame before;  // playerKind still 0: no mode chosen yet
    withIcons(before);
    for (int c = black; c <= red; ++c)
        before.form.display().描画_打手(c);
    before.form.display().描画_打手(noneValue);
    EXPECT_EQ(before.lines(), Lines{});
}

TEST(SeatIcons, EraseHidesAllEightButNotTheThinkingHand)
{
    TestGame g;
    g.ui.setIconVisible(IconPicture::ICO_COM, 2, true);
    g.ui.setIconVisible(IconPicture::ICO_MAN, 4, true);
    g.ui.setIconVisible(IconPicture::TE, 1, true);
    g.clear();
    g.form.display().消去_全手番アイコン();
    EXPECT_EQ(g.lines(), (Lines{"icon ICO_COM 2 hidden", "icon ICO_MAN 4 hidden"}));
    for (int i = 1; i <= 4; ++i) {
        EXPECT_FALSE(g.ui.icon(IconPicture::ICO_COM, i).visible);
        EXPECT_FALSE(g.ui.icon(IconPicture::ICO_MAN, i).visible);
    }
    EXPECT_TRUE(g.ui.icon(IconPicture::TE, 1).visible);
}

TEST(PassMessage, TitledWithTheColourThatPassesAndNothingForAnUnknownCode)
{
    TestGame g;
    g.form.display().描画_パスメッセージ(black);
    g.form.display().描画_パスメッセージ(blue);
    g.form.display().描画_パスメッセージ(white);
    g.form.display().描画_パスメッセージ(red);
    g.form.display().描画_パスメッセージ(noneValue);
    g.form.display().描画_パスメッセージ(emptyValue);
    EXPECT_EQ(g.lines(true), (Lines{"msgbox \"　　PASS\" \"　　黒の手番\" OK none -> OK",
                                    "msgbox \"　　PASS\" \"　　青の手番\" OK none -> OK",
                                    "msgbox \"　　PASS\" \"　　白の手番\" OK none -> OK",
                                    "msgbox \"　　PASS\" \"　　赤の手番\" OK none -> OK"}));
}

}  // namespace
}  // namespace korvalo::testing
