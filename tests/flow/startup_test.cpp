#include <gtest/gtest.h>

#include "rules/count.h"
#include "support/game_driver.h"

namespace korvalo::testing {
namespace {

using Lines = std::vector<std::string>;

TEST(FormLoad, StartsTheSoundsThenResetsAndDrawsTheBoardWithItsLabels)
{
    TemporaryWorkingFolder folder;
    writeGameWaveFiles();
    TestGame game;
    game.form.Form_Load();
    const Lines events = game.lines();
    const Lines expected = {
        "sound dsInitialize",
        "sound dsCreateDSB その他.wav 3",
        "sound dsCreateDSB 禁止.wav 3",
        "sound dsCreateDSB 石打音.wav 3",
        "sound dsCreateDSB BGM.wav 1",
        "sound dsPlayLooping BGM.wav",
        "check BGM 1",
        "sound dsPlayLooping BGM.wav",  // the settings file, written on first start, says BGM=OK
        "text \"a    b     c    d     e     f     g    h     i\" 1282 352 15 16777215",
        "text \" 1\" 589 919 15 16777215",
        "text \" 2\" 589 1549 15 16777215",
        "text \" 3\" 589 2179 15 16777215",
        "text \" 4\" 589 2809 15 16777215",
        "text \" 5\" 589 3439 15 16777215",
        "text \" 6\" 589 4069 15 16777215",
        "text \" 7\" 589 4699 15 16777215",
        "text \" 8\" 589 5329 15 16777215",
        "text \" 9\" 589 5959 15 16777215",
    };
    EXPECT_EQ(events, expected);
    // The whole board is drawn before the labels, the title after them.
    const Lines all = game.lines(true);
    EXPECT_EQ(linesStartingWith(all, "picture MASU").size(), 81u - 16u);
    EXPECT_EQ(linesStartingWith(all, "picture KURO 1").size(), 4u);
    EXPECT_EQ(all.back(), "picture RABERU 0 7100 250");

    const GameState& s = game.s;
    EXPECT_EQ(s.turnColour, noneValue);
    EXPECT_EQ(s.gameMode, noneValue);
    EXPECT_EQ(s.moveNumber, 0);
    EXPECT_EQ(s.lastMoveNumber, 0);
    EXPECT_EQ(positionText(s.history[0]), boardText(s.board));
    EXPECT_TRUE(game.ui.isChecked(CheckItem::BGM));
    EXPECT_FALSE(game.ui.isChecked(CheckItem::TEJYUN));
    EXPECT_FALSE(game.ui.isChecked(CheckItem::AICON));
}

TEST(FormLoad, WithoutSoundDeviceWarnsOnceAndPlaysSilently)
{
    TemporaryWorkingFolder folder;
    writeGameWaveFiles();
    RecordingPlatform ui;
    RecordingDsLibrary lib([&ui](const std::string& line) { ui.record(line); }, false);
    Form1 form(ui, &lib);
    form.Form_Load();
    const Lines boxes = linesStartingWith(ui.eventLines(), "msgbox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0],
              "msgbox \"Direct Soundインターフェースが作成できません。\" \"Korvalo.dll\" OK exclamation -> OK");
    EXPECT_EQ(form.sounds().buffer(GameSounds::Sound::Other), 0);
    EXPECT_EQ(form.sounds().buffer(GameSounds::Sound::Forbidden), 0);
    EXPECT_EQ(form.sounds().buffer(GameSounds::Sound::Stone), 0);
    EXPECT_EQ(form.sounds().buffer(GameSounds::Sound::Music), 0);
    EXPECT_TRUE(linesStartingWith(ui.eventLines(), "sound dsCreateDSB").empty());
    EXPECT_EQ(form.state().turnColour, noneValue);
}

TEST(FormLoad, WithoutSoundLibraryStartsWithoutAnyBox)
{
    TemporaryWorkingFolder folder;
    RecordingPlatform ui;
    Form1 form(ui, nullptr);
    form.Form_Load();
    EXPECT_TRUE(linesStartingWith(ui.eventLines(), "msgbox").empty());
    EXPECT_TRUE(linesStartingWith(ui.eventLines(), "sound").empty());
    EXPECT_EQ(linesStartingWith(ui.lines, "text").size(), 10u);
}

TEST(Reset, InTheMiddleOfAGameKeepsTheSeatingAndRestoresTheStart)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    game.form.JYUNBAN_3_Click();  // black and blue play at once
    ASSERT_EQ(game.s.moveNumber, 2);
    game.form.初期設定();
    const GameState& s = game.s;
    EXPECT_EQ(s.playerKind, (std::array<int, 5>{0, computerValue, computerValue, humanValue, computerValue}));
    EXPECT_EQ(s.turnColour, noneValue);
    EXPECT_EQ(s.gameMode, noneValue);
    EXPECT_EQ(s.moveNumber, 0);
    EXPECT_EQ(s.lastMoveNumber, 0);
    for (int c = 1; c <= 4; ++c)
        EXPECT_EQ(調査_駒数(s, c), 4);
    EXPECT_EQ(s.board[5][5], emptyValue);
    // The recorded moves stay in the tables; only entry 0 is written.
    EXPECT_NE(s.moveColumn[1], 0);
    EXPECT_EQ(positionText(s.history[0]), boardText(s.board));
}

class WaysOut : public ::testing::TestWithParam<int> {};

TEST_P(WaysOut, FreeTheFourBuffersInOrderCloseTheLibraryAndEndOnce)
{
    LoadedGame loaded;
    Form1& form = loaded.game.form;
    switch (GetParam()) {
    case 0: form.EXIT_Click(); break;
    case 1: form.Form_KeyPress(27); break;
    case 2: form.Form_Unload(); break;
    }
    // Nothing runs after the end, and the shutdown never runs twice.
    form.Form_Unload();
    form.EXIT_Click();
    form.Form_MouseDown(1, 0, squareX(4), squareY(3));
    form.MODORU_Click();
    form.SUSUMU_Click();
    form.SAISYO_Click();
    const Lines expected = {
        "sound dsFree その他.wav", "sound dsFree 禁止.wav", "sound dsFree 石打音.wav",
        "sound dsFree BGM.wav",   "sound dsTerminate",      "exit",
    };
    EXPECT_EQ(loaded.game.lines(true), expected);
    EXPECT_TRUE(form.programEnded());
}

INSTANTIATE_TEST_SUITE_P(ExitEscAndClose, WaysOut, ::testing::Values(0, 1, 2));

TEST(WaysOut, KeysOtherThanEscDoNothing)
{
    LoadedGame loaded;
    for (int key : {13, 32, int('q'), 26, 28})
        loaded.game.form.Form_KeyPress(key);
    EXPECT_TRUE(loaded.game.lines(true).empty());
    EXPECT_FALSE(loaded.game.form.programEnded());
}

}  // namespace
}  // namespace korvalo::testing
