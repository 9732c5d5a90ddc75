#include "flow/form1.h"

#include "rules/flipping.h"

namespace korvalo {

Form1::Form1(Platform& ui, DsLibrary* library)
    : ui_(ui),
      sounds_(ui, library),
      display_(ui, s, sounds_),
      computer_(ui, s, display_),
      positions_(ui, s, display_, sounds_),
      settings_(ui, s, display_, sounds_)
{
}

void Form1::待ち時間(double seconds)
{
    display_.待ち時間(seconds);
}

void Form1::反転(int x, int y, int c)
{
    korvalo::反転(s, x, y, c, [this, c](int i, int j) {
        待ち時間(0.05);
        sounds_.playStone();
        display_.描画_駒回転(i, j, c);
    });
}

void Form1::endTheProgram()
{
    if (programEnded_)
        return;
    終了処理();
    programEnded_ = true;
    ui_.endProgram();
}

}  // namespace korvalo
