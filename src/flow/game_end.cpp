// The end of a game: announcement, count-out, ranking and the question to play on.
#include "flow/form1.h"
#include "rules/count.h"

namespace korvalo {

void Form1::終了()
{
    ui_.messageBox("終了しました", "対局", Buttons::OK, BoxIcon::None);
    std::array<int, 5> counts{};
    for (int c = 1; c <= 4; ++c)
        counts[c] = 調査_駒数(s, c);
    display_.描画_判定(counts[black], counts[blue], counts[white], counts[red]);
    ui_.messageBox(rankingMessage(counts), "", Buttons::OK, BoxIcon::None);
    if (ui_.messageBox("続けます？", "対局", Buttons::YesNo, BoxIcon::None) == Answer::No) {
        endTheProgram();
        return;
    }
    初期設定();
    display_.描画_オセロ盤();
}

}  // namespace korvalo
