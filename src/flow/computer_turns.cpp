// One turn of a colour played by the computer.
#include "flow/form1.h"
#include "rules/turn_order.h"

namespace korvalo {

int Form1::com_ban(int& c)
{
    if (置き場所があるか(s, c) == falseValue) {
        if (置き場所があるか_手番以外(s, c) == falseValue) {
            終了();
            return 0;
        }
        display_.描画_パスメッセージ(c);
        s.turnColour = nextColour(c);
        display_.描画_手番(s.turnColour);
        return s.playerKind[s.turnColour];
    }

    const int mover = c;
    int column = 0;
    int row = 0;
    // The choice ends with legality queries for the mover, so viewBoard holds
    // the mover's view when the stones are turned.
    computer_.COM置場所取得(mover, column, row);
    待ち時間(0.5);
    playMove(column, row, mover);
    return passTurnOn();
}

}  // namespace korvalo
