// Start-up, the reset to the no-game state, and every way out of the program.
#include "flow/form1.h"
#include "rules/snapshots.h"

namespace korvalo {

void Form1::Form_Load()
{
    if (programEnded_)
        return;
    // Sound first: the library, the four buffers and the music.
    module1.soundInit(ui_.windowHandle());
    soundOther = module1.soundLoad("その他.wav", 3);
    soundForbidden = module1.soundLoad("禁止.wav", 3);
    soundStone = module1.soundLoad("石打音.wav", 3);
    soundBgm = module1.soundLoad("BGM.wav", 1);
    dsPlayLooping(soundBgm);
    ui_.setChecked(CheckItem::BGM, true);

    // The fixed codes and geometry are compile-time constants (rules/game_state.h).
    ui_.placeWindow(windowLeft, windowTop, windowWidth, windowHeight);
    ui_.setBackColour(backColour);

    初期設定();
    描画_オセロ盤();
    描画_座標と題字();
}

void Form1::初期設定()
{
    for (int i = 1; i <= 4; ++i)
        ui_.setIconVisible(IconPicture::TE, i, false);
    消去_全手番アイコン();
    s.turnColour = noneValue;
    s.gameMode = noneValue;
    s.moveNumber = 0;
    s.lastMoveNumber = 0;
    placeStartingPosition(s);
    読込_環境設定ファイル();
    読込_環境設定データ();
    保存_オセロ盤(s, s.moveNumber);
    // Clear the panel right of the board where the turn is shown.
    描画_四角形(9.4, 2.8, 2000, 2600, backColour);
}

void Form1::終了処理()
{
    // Runs once, whichever way out came first.
    if (shutDown_)
        return;
    shutDown_ = true;
    dsFree(soundOther);
    dsFree(soundForbidden);
    dsFree(soundStone);
    dsFree(soundBgm);
    module1.soundTerm();
}

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
