#include "flow/form1.h"

#include "rules/flipping.h"

namespace korvalo {

Form1::Form1(Platform& ui, DsLibrary* library) : module1(ui, library), ui_(ui) {}

void Form1::待ち時間(double seconds)
{
    if (seconds > 0)
        ui_.wait(seconds);
}

void Form1::反転(int x, int y, int c)
{
    korvalo::反転(s, x, y, c, [this, c](int i, int j) {
        待ち時間(0.05);
        dsPlay(soundStone);
        描画_駒回転(i, j, c);
    });
}

void Form1::dsPlay(int32_t buffer)
{
    if (DsLibrary* lib = module1.library())
        lib->dsPlay(buffer);
}

void Form1::dsPlayLooping(int32_t buffer)
{
    if (DsLibrary* lib = module1.library())
        lib->dsPlayLooping(buffer);
}

void Form1::dsStop(int32_t buffer)
{
    if (DsLibrary* lib = module1.library())
        lib->dsStop(buffer);
}

void Form1::dsFree(int32_t buffer)
{
    if (DsLibrary* lib = module1.library())
        lib->dsFree(buffer);
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
