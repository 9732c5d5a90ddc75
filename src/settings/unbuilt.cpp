// Placeholders until the settings file and option commands are written; removed with them.
#include <cstdlib>

#include "flow/form1.h"

namespace korvalo {
void Form1::書込_環境設定ファイル() { std::abort(); }
void Form1::読込_環境設定ファイル() { std::abort(); }
void Form1::読込_環境設定データ() { std::abort(); }
void Form1::TEJYUN_Click() { std::abort(); }
void Form1::AICON_Click() { std::abort(); }
void Form1::BGM_Click() { std::abort(); }
void Form1::SONOTA_Click() { std::abort(); }
}  // namespace korvalo
