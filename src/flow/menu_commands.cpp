#include "flow/menu_commands.h"

#include <utility>

namespace korvalo {

MenuHandler menuHandler(std::string_view item)
{
    static const std::pair<std::string_view, MenuHandler> handlers[] = {
        {"JYUNBAN_1", &Form1::JYUNBAN_1_Click},     {"JYUNBAN_2", &Form1::JYUNBAN_2_Click},
        {"JYUNBAN_3", &Form1::JYUNBAN_3_Click},     {"JYUNBAN_4", &Form1::JYUNBAN_4_Click},
        {"PLAY_TOIMEN", &Form1::PLAY_TOIMEN_Click}, {"PLAY_TONARI", &Form1::PLAY_TONARI_Click},
        {"PLAY_4", &Form1::PLAY_4_Click},           {"EXIT", &Form1::EXIT_Click},
        {"SAISYO", &Form1::SAISYO_Click},           {"MODORU", &Form1::MODORU_Click},
        {"SUSUMU", &Form1::SUSUMU_Click},           {"TEJYUN", &Form1::TEJYUN_Click},
        {"AICON", &Form1::AICON_Click},             {"BGM", &Form1::BGM_Click},
        {"SONOTA", &Form1::SONOTA_Click},
    };
    for (const auto& [name, handler] : handlers)
        if (name == item)
            return handler;
    return nullptr;
}

}  // namespace korvalo
