// Placeholders until the game flow is written; removed with it.
#include <cstdlib>

#include "flow/form1.h"

namespace korvalo {
void Form1::Form_Load() { std::abort(); }
void Form1::Form_MouseDown(int, int, double, double) { std::abort(); }
void Form1::Form_MouseUp(int, int, double, double) { std::abort(); }
void Form1::Form_KeyPress(int) { std::abort(); }
void Form1::Form_Unload() { std::abort(); }
void Form1::JYUNBAN_1_Click() { std::abort(); }
void Form1::JYUNBAN_2_Click() { std::abort(); }
void Form1::JYUNBAN_3_Click() { std::abort(); }
void Form1::JYUNBAN_4_Click() { std::abort(); }
void Form1::PLAY_TOIMEN_Click() { std::abort(); }
void Form1::PLAY_TONARI_Click() { std::abort(); }
void Form1::PLAY_4_Click() { std::abort(); }
void Form1::EXIT_Click() { std::abort(); }
void Form1::SAISYO_Click() { std::abort(); }
void Form1::MODORU_Click() { std::abort(); }
void Form1::SUSUMU_Click() { std::abort(); }
void Form1::初期設定() { std::abort(); }
void Form1::終了処理() { std::abort(); }
void Form1::終了() { std::abort(); }
int Form1::com_ban(int&) { std::abort(); }
void Form1::対局_回転(int&) { std::abort(); }
void Form1::playMove(int, int) { std::abort(); }
}  // namespace korvalo
