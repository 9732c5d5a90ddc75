#pragma once
// The computer's choice of square: every legal square has a fixed value by its
// place on the board, and the best one is played.

namespace korvalo {

// 取得_評価値 (value of a square), column and row 1..9, in whole tenths:
// corners 208, the rest of the a and i columns about 105, the squares
// diagonally next to the corners -94, and inside the board more the farther
// from e5.
int 取得_評価値(int column, int row);

}  // namespace korvalo
