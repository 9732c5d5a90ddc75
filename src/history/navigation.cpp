// Stepping through the stored positions of the game, and starting over.
#include "flow/form1.h"
#include "rules/snapshots.h"
#include "rules/turn_order.h"

namespace korvalo {

void Form1::MODORU_Click()
{
    if (programEnded_)
        return;
    if (s.moveNumber == 0) {
        dsPlay(soundForbidden);
        ui_.messageBox("戻れません", "戻る", Buttons::OK, BoxIcon::None);
        return;
    }
    s.moveNumber -= 1;
    読出_オセロ盤(s, s.moveNumber);
    描画_オセロ盤();
    dsPlay(soundStone);
    // The colour that made the next recorded move is the one to move.
    s.turnColour = colourOfMove(s, s.moveNumber + 1);
    if (ui_.isChecked(CheckItem::TEJYUN))
        描画_全手順番号();
    描画_手番(s.turnColour);
}

void Form1::SUSUMU_Click()
{
    if (programEnded_)
        return;
    if (s.moveNumber >= s.lastMoveNumber) {
        dsPlay(soundForbidden);
        ui_.messageBox("進めません", "進む", Buttons::OK, BoxIcon::None);
        return;
    }
    s.moveNumber += 1;
    読出_オセロ盤(s, s.moveNumber);
    描画_オセロ盤();
    // Plain rotation from the colour of the move shown; a colour that has to
    // pass here does so on the next press.
    s.turnColour = nextColour(colourOfMove(s, s.moveNumber));
    dsPlay(soundStone);
    if (ui_.isChecked(CheckItem::TEJYUN))
        描画_全手順番号();
    描画_手番(s.turnColour);
}

void Form1::SAISYO_Click()
{
    if (programEnded_)
        return;
    初期設定();
    描画_オセロ盤();
}

}  // namespace korvalo
