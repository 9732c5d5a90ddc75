// Stepping through the stored positions of the game.
#include "history/positions.h"
#include "rules/snapshots.h"
#include "rules/turn_order.h"

namespace korvalo {

void Positions::MODORU_Click()
{
    if (s.moveNumber == 0) {
        sounds_.playForbidden();
        ui_.messageBox("戻れません", "戻る", Buttons::OK, BoxIcon::None);
        return;
    }
    s.moveNumber -= 1;
    読出_オセロ盤(s, s.moveNumber);
    display_.描画_オセロ盤();
    sounds_.playStone();
    // The colour that made the next recorded move is the one to move.
    s.turnColour = colourOfMove(s, s.moveNumber + 1);
    if (ui_.isChecked(CheckItem::TEJYUN))
        display_.描画_全手順番号();
    display_.描画_手番(s.turnColour);
}

void Positions::SUSUMU_Click()
{
    if (s.moveNumber >= s.lastMoveNumber) {
        sounds_.playForbidden();
        ui_.messageBox("進めません", "進む", Buttons::OK, BoxIcon::None);
        return;
    }
    s.moveNumber += 1;
    読出_オセロ盤(s, s.moveNumber);
    display_.描画_オセロ盤();
    // Plain rotation from the colour of the move shown; a colour that has to
    // pass here does so on the next press.
    s.turnColour = nextColour(colourOfMove(s, s.moveNumber));
    sounds_.playStone();
    if (ui_.isChecked(CheckItem::TEJYUN))
        display_.描画_全手順番号();
    display_.描画_手番(s.turnColour);
}

}  // namespace korvalo
