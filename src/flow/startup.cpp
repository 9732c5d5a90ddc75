// Start-up, the reset to the no-game state (also the menu item 最初), the
// menu items handed to the stored positions and the options, and every way
// out of the program.
#include "flow/form1.h"
#include "rules/snapshots.h"

namespace korvalo {

void Form1::Form_Load()
{
    if (programEnded_)
        return;
    // Sound first: the library, the four buffers and the music.
    sounds_.load(ui_.windowHandle());
    ui_.setChecked(CheckItem::BGM, true);

    // The fixed codes and geometry are compile-time constants (rules/game_state.h).
    ui_.placeWindow(windowLeft, windowTop, windowWidth, windowHeight);
    ui_.setBackColour(backColour);

    初期設定();
    display_.描画_オセロ盤();
    display_.描画_座標と題字();
}

void Form1::初期設定()
{
    for (int i = 1; i <= 4; ++i)
        ui_.setIconVisible(IconPicture::TE, i, false);
    display_.消去_全手番アイコン();
    s.turnColour = noneValue;
    s.gameMode = noneValue;
    s.moveNumber = 0;
    s.lastMoveNumber = 0;
    placeStartingPosition(s);
    settings_.読込_環境設定ファイル();
    settings_.読込_環境設定データ();
    保存_オセロ盤(s, s.moveNumber);
    // Clear the panel right of the board where the turn is shown.
    display_.描画_四角形(9.4, 2.8, 2000, 2600, backColour);
}

void Form1::終了処理()
{
    // Runs once, whichever way out came first.
    if (shutDown_)
        return;
    shutDown_ = true;
    sounds_.free();
}

void Form1::SAISYO_Click()
{
    if (programEnded_)
        return;
    初期設定();
    display_.描画_オセロ盤();
}

void Form1::MODORU_Click()
{
    if (!programEnded_)
        positions_.MODORU_Click();
}

void Form1::SUSUMU_Click()
{
    if (!programEnded_)
        positions_.SUSUMU_Click();
}

void Form1::TEJYUN_Click() { settings_.TEJYUN_Click(); }
void Form1::AICON_Click() { settings_.AICON_Click(); }
void Form1::BGM_Click() { settings_.BGM_Click(); }
void Form1::SONOTA_Click() { settings_.SONOTA_Click(); }

void Form1::EXIT_Click()
{
    endTheProgram();
}

void Form1::Form_KeyPress(int keyAscii)
{
    constexpr int escape = 27;
    if (keyAscii == escape)
        endTheProgram();
}

void Form1::Form_Unload()
{
    endTheProgram();
}

}  // namespace korvalo
