// Placeholders until the display procedures are written; removed with them.
#include <cstdlib>

#include "flow/form1.h"

namespace korvalo {
void Form1::描画_桝(double, double) { std::abort(); }
void Form1::描画_駒(double, double, int) { std::abort(); }
void Form1::描画_オセロ盤() { std::abort(); }
void Form1::描画_四角形(double, double, double, double, int) { std::abort(); }
void Form1::描画_文字列(double, double, const std::string&, int, int) { std::abort(); }
void Form1::描画_文字列(double, double, int, int, int) { std::abort(); }
void Form1::描画_座標と題字() { std::abort(); }
void Form1::描画_駒回転(int, int, int) { std::abort(); }
void Form1::描画_手番(int) { std::abort(); }
void Form1::描画_打手(int) { std::abort(); }
void Form1::消去_全手番アイコン() { std::abort(); }
void Form1::描画_パスメッセージ(int) { std::abort(); }
void Form1::描画_駒点滅(int, int, int, int) { std::abort(); }
void Form1::描画_措可桝(int) { std::abort(); }
void Form1::描画_判定(int, int, int, int) { std::abort(); }
void Form1::取得_色座標(int, int&, int&) { std::abort(); }
void Form1::描画_全手順番号() { std::abort(); }
void Form1::描画_手順番号(int, int, int, int) { std::abort(); }
}  // namespace korvalo
