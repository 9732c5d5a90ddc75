#pragma once
// The options of the menu "ｵﾌﾟｼｮﾝ" (move numbers, seat icons, music) with
// the about box, and the settings file that keeps the three check marks
// from one start to the next. The check marks are the options' only state.
#include <optional>
#include <string>

#include "display/board_display.h"
#include "platform/platform.h"
#include "rules/game_state.h"
#include "sound/game_sounds.h"

namespace korvalo {

class OptionSettings {
public:
    OptionSettings(Platform& ui, const GameState& state, BoardDisplay& display, GameSounds& sounds)
        : ui_(ui), s(state), display_(display), sounds_(sounds)
    {
    }

    void TEJYUN_Click();  // 手順番号表示: move numbers on or off
    void AICON_Click();   // ｱｲｺﾝ表示: seat icons on or off
    void BGM_Click();     // the music on or off
    void SONOTA_Click();  // その他: the about box

    void 書込_環境設定ファイル();  // write the settings file
    void 読込_環境設定ファイル();  // read the settings file
    void 読込_環境設定データ();    // apply the settings read

private:
    // Tells on standard error, once, why the options are not kept when a
    // link under the settings file's name is the reason.
    void sayWhyOptionsAreNotKept();

    Platform& ui_;
    const GameState& s;
    BoardDisplay& display_;
    GameSounds& sounds_;
    // Contents of the settings file between 読込_環境設定ファイル and
    // 読込_環境設定データ; empty when nothing could be opened.
    std::optional<std::string> openSettings_;
    bool optionsNotKeptSaid_ = false;
};

}  // namespace korvalo
