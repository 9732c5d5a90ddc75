#pragma once
// The drawing: the board and all that is drawn on it and beside it, the seat
// icons, the pass message and the count-out at the end of a game. It draws
// the game state it is given through the Platform, and clicks the stone
// sound of the count-out.
#include <string>

#include "platform/platform.h"
#include "rules/game_state.h"
#include "sound/game_sounds.h"

namespace korvalo {

class BoardDisplay {
public:
    BoardDisplay(Platform& ui, GameState& state, GameSounds& sounds) : ui_(ui), s(state), sounds_(sounds) {}

    void 待ち時間(double seconds);  // waiting time: a pause, none for 0 or less

    void 描画_桝(double x, double y);                // draw one empty square
    void 描画_駒(double x, double y, int colour);    // draw one stone
    void 描画_オセロ盤();                           // draw the whole board
    void 描画_四角形(double u, double v, double width, double height, int colour);  // fill a rectangle
    void 描画_文字列(double u, double v, const std::string& text, int size, int colour);  // draw a text
    void 描画_文字列(double u, double v, int number, int size, int colour);             // draw a number
    void 描画_座標と題字();  // column letters, row numbers and title picture
    void 描画_駒回転(int x, int y, int c);           // the turning animation of one stone
    void 描画_手番(int c);                           // the turn line: whose turn it is
    void 描画_打手(int c);                           // the seat icon of the colour to move
    void 消去_全手番アイコン();                      // hide every seat icon
    void 描画_パスメッセージ(int c);                 // the pass message of colour c
    void 描画_駒点滅(int x, int y, int c, int n);    // blink a stone n times
    void 描画_措可桝(int c);                         // mark the squares where c may play
    void 描画_判定(int nBlack, int nBlue, int nWhite, int nRed);  // judgement: the counted-out board
    void 取得_色座標(int c, int& column, int& row);  // the next free square of c's count-out
    void 描画_全手順番号();                          // every move number
    void 描画_手順番号(int x, int y, int n, int colour);  // one move number

private:
    Platform& ui_;
    GameState& s;
    GameSounds& sounds_;
};

}  // namespace korvalo
