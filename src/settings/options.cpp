// The option switches of the menu "ｵﾌﾟｼｮﾝ" and the about box. Each switch
// flips its check mark (the option's only state), makes the screen or the
// music follow at once and rewrites the settings file.
#include "flow/form1.h"

namespace korvalo {

namespace {
constexpr char homePage[] = "https://korvalo.example.org/";
constexpr char mailAddress[] = "korvalo@example.org";
}  // namespace

void Form1::TEJYUN_Click()
{
    if (ui_.isChecked(CheckItem::TEJYUN)) {
        ui_.setChecked(CheckItem::TEJYUN, false);
        描画_オセロ盤();  // the squares drawn afresh cover the numbers
    } else {
        ui_.setChecked(CheckItem::TEJYUN, true);
        描画_全手順番号();
    }
    書込_環境設定ファイル();
}

void Form1::AICON_Click()
{
    if (ui_.isChecked(CheckItem::AICON)) {
        ui_.setChecked(CheckItem::AICON, false);
        消去_全手番アイコン();
    } else {
        ui_.setChecked(CheckItem::AICON, true);
        描画_打手(s.turnColour);  // shows nothing while no game runs
    }
    書込_環境設定ファイル();
}

void Form1::BGM_Click()
{
    if (ui_.isChecked(CheckItem::BGM)) {
        ui_.setChecked(CheckItem::BGM, false);
        dsStop(soundBgm);
    } else {
        ui_.setChecked(CheckItem::BGM, true);
        dsPlayLooping(soundBgm);
    }
    書込_環境設定ファイル();
}

void Form1::SONOTA_Click()
{
    dsPlay(soundOther);
    const std::string text = std::string("Korvalo  Ver ") + KORVALO_VERSION + "\r" + "\r" + "Home page" + "\r" +
                             homePage + "\r" + "\r" + "e-mail" + "\r" + mailAddress;
    ui_.messageBox(text, "Korvalo", Buttons::OK, BoxIcon::None);
}

}  // namespace korvalo
