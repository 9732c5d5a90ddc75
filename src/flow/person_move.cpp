// A person's move with the mouse, and the stone played by either kind of seat.
#include <cmath>

#include "flow/form1.h"
#include "rules/snapshots.h"
#include "rules/legality.h"
#include "rules/turn_order.h"

namespace korvalo {

void Form1::playMove(int column, int row, int c)
{
    s.moveNumber += 1;
    s.moveColumn[s.moveNumber] = column;
    s.moveRow[s.moveNumber] = row;
    sounds_.playStone();
    display_.消去_全手番アイコン();
    display_.描画_駒点滅(column, row, c, blinkCount);
    反転(column, row, c);
    s.board[column][row] = c;
    s.lastMoveNumber = s.moveNumber;  // drops positions that had been stepped back over
    保存_オセロ盤(s, s.moveNumber);
    if (ui_.isChecked(CheckItem::TEJYUN))
        display_.描画_全手順番号();
}

int Form1::passTurnOn()
{
    if (置き場所があるか(s, s.turnColour) == falseValue &&
        置き場所があるか_手番以外(s, s.turnColour) == falseValue) {
        終了();
        return 0;
    }
    s.turnColour = nextColour(s.turnColour);
    while (置き場所があるか(s, s.turnColour) != trueValue) {
        display_.描画_手番(s.turnColour);
        display_.描画_パスメッセージ(s.turnColour);
        s.turnColour = nextColour(s.turnColour);
    }
    display_.描画_手番(s.turnColour);
    return s.playerKind[s.turnColour];
}

void Form1::runComputerSeats()
{
    while (!programEnded_ && com_ban(s.turnColour) == computerValue) {
    }
}

void Form1::Form_MouseDown(int, int, double X, double Y)
{
    if (programEnded_)
        return;
    if (s.turnColour == noneValue) {
        sounds_.playForbidden();
        ui_.messageBox("対局で始めて下さい", "開始", Buttons::OK, BoxIcon::None);
        return;
    }
    if (s.playerKind[s.turnColour] == computerValue && s.gameMode != modeFour) {
        runComputerSeats();
        return;
    }
    const int column = static_cast<int>(std::floor((X - boardLeft) / cellWidth));
    const int row = static_cast<int>(std::floor((Y - boardTop) / cellHeight));
    if (column < 1 || column > 9 || row < 1 || row > 9)
        return;

    if (置き場所があるか(s, s.turnColour) == falseValue) {
        // The colour to move has no square: any press on the board passes.
        if (s.gameMode == modeFour) {
            if (置き場所があるか_手番以外(s, s.turnColour) == falseValue) {
                終了();
                return;
            }
            display_.描画_パスメッセージ(s.turnColour);
            s.turnColour = nextColour(s.turnColour);
            display_.描画_手番(s.turnColour);
        } else {
            display_.描画_パスメッセージ(s.turnColour);
            runComputerSeats();
        }
        return;
    }
    if (置けるか(s, column, row, s.turnColour) == falseValue) {
        sounds_.playForbidden();
        display_.描画_措可桝(s.turnColour);
        return;
    }
    playMove(column, row, s.turnColour);
    if (s.gameMode == modeFour) {
        passTurnOn();
        return;
    }
    // In every seating with computer seats the colour after a person's is the computer's.
    s.turnColour = nextColour(s.turnColour);
    display_.描画_手番(s.turnColour);
    runComputerSeats();
}

void Form1::Form_MouseUp(int, int, double, double)
{
    if (programEnded_)
        return;
    // Removes the marks of an illegal press. viewBoard may be scratch from the
    // count-out, so a square is redrawn only where the board is empty too:
    // a stone is never wiped off the screen.
    for (int column = 1; column <= 9; ++column)
        for (int row = 1; row <= 9; ++row)
            if (s.viewBoard[column][row] == emptyValue && s.board[column][row] == emptyValue)
                display_.描画_桝(column, row);
}

}  // namespace korvalo
