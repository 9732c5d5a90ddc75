#include "app/window_events.h"

#include <utility>

#include "flow/form1.h"

namespace korvalo {

void FormEvents::load()
{
    form_.Form_Load();
}

void FormEvents::mouseDown(int button, int shift, double x, double y)
{
    form_.Form_MouseDown(button, shift, x, y);
}

void FormEvents::mouseUp(int button, int shift, double x, double y)
{
    form_.Form_MouseUp(button, shift, x, y);
}

void FormEvents::keyPress(int keyAscii)
{
    form_.Form_KeyPress(keyAscii);
}

void FormEvents::unload()
{
    form_.Form_Unload();
}

void FormEvents::command(const QString& item)
{
    using Handler = void (Form1::*)();
    static const std::pair<const char*, Handler> handlers[] = {
        {"JYUNBAN_1", &Form1::JYUNBAN_1_Click},     {"JYUNBAN_2", &Form1::JYUNBAN_2_Click},
        {"JYUNBAN_3", &Form1::JYUNBAN_3_Click},     {"JYUNBAN_4", &Form1::JYUNBAN_4_Click},
        {"PLAY_TOIMEN", &Form1::PLAY_TOIMEN_Click}, {"PLAY_TONARI", &Form1::PLAY_TONARI_Click},
        {"PLAY_4", &Form1::PLAY_4_Click},           {"EXIT", &Form1::EXIT_Click},
        {"SAISYO", &Form1::SAISYO_Click},           {"MODORU", &Form1::MODORU_Click},
        {"SUSUMU", &Form1::SUSUMU_Click},           {"TEJYUN", &Form1::TEJYUN_Click},
        {"AICON", &Form1::AICON_Click},             {"BGM", &Form1::BGM_Click},
        {"SONOTA", &Form1::SONOTA_Click},
    };
    for (const auto& [name, handler] : handlers) {
        if (item == QLatin1String(name)) {
            (form_.*handler)();
            return;
        }
    }
}

}  // namespace korvalo
