// The option switches of the menu "ｵﾌﾟｼｮﾝ" and the about box. Each switch
// flips its check mark (the option's only state), makes the screen or the
// music follow at once and rewrites the settings file.
#include "settings/option_settings.h"

namespace korvalo {

namespace {
constexpr char homePage[] = "https://korvalo.example.org/";
constexpr char mailAddress[] = "korvalo@example.org";
}  // namespace

void OptionSettings::TEJYUN_Click()
{
    if (ui_.isChecked(CheckItem::TEJYUN)) {
        ui_.setChecked(CheckItem::TEJYUN, false);
        display_.描画_オセロ盤();  // the squares drawn afresh cover the numbers
    } else {
        ui_.setChecked(CheckItem::TEJYUN, true);
        display_.描画_全手順番号();
    }
    書込_環境設定ファイル();
}

void OptionSettings::AICON_Click()
{
    if (ui_.isChecked(CheckItem::AICON)) {
        ui_.setChecked(CheckItem::AICON, false);
        display_.消去_全手番アイコン();
    } else {
        ui_.setChecked(CheckItem::AICON, true);
        display_.描画_打手(s.turnColour);  // shows nothing while no game runs
    }
    書込_環境設定ファイル();
}

void OptionSettings::BGM_Click()
{
    if (ui_.isChecked(CheckItem::BGM)) {
        ui_.setChecked(CheckItem::BGM, false);
        sounds_.stopMusic();
    } else {
        ui_.setChecked(CheckItem::BGM, true);
        sounds_.playMusic();
    }
    書込_環境設定ファイル();
}

void OptionSettings::SONOTA_Click()
{
    sounds_.playOther();
    const std::string text = std::string("Korvalo  Ver ") + KORVALO_VERSION + "\r" + "\r" + "Home page" + "\r" +
                             homePage + "\r" + "\r" + "e-mail" + "\r" + mailAddress;
    ui_.messageBox(text, "Korvalo", Buttons::OK, BoxIcon::None);
}

}  // namespace korvalo
