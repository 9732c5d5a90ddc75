// The procedures of the settings file: writing it from the three check
// marks of the option menu, and reading it back into them.
#include <cstdio>
#include <string>
#include <utility>

#include "log/log.h"
#include "settings/option_settings.h"
#include "settings/settings_file.h"

namespace korvalo {

void OptionSettings::書込_環境設定ファイル()
{
    // A failed write is tried once more with a fixed content; the check marks
    // stay as they are either way. When both fail, for a folder where nothing
    // can be written, the options are simply not kept for the next start.
    if (!settings::save({.moveNumbers = ui_.isChecked(CheckItem::TEJYUN),
                         .icons = ui_.isChecked(CheckItem::AICON),
                         .music = ui_.isChecked(CheckItem::BGM)}))
        sayWhyOptionsAreNotKept();
}

void OptionSettings::sayWhyOptionsAreNotKept()
{
    // A link under the file's name that the game will not write through is
    // worth a word, said once: the options then live only as long as the
    // window, and the player may not expect that.
    if (optionsNotKeptSaid_)
        return;
    const std::string why = settings::whyOptionsAreNotKept();
    if (why.empty())
        return;
    korvalo::log::print("korvalo: %s: %s; the options will not be kept\n", settings::fileName, why.c_str());
    optionsNotKeptSaid_ = true;
}

void OptionSettings::読込_環境設定ファイル()
{
    openSettings_.reset();
    if (settings::fileIsMissing())
        書込_環境設定ファイル();
    else
        sayWhyOptionsAreNotKept();  // at start-up, before any switch is lost
    // A file that cannot be read leaves nothing open: the options keep their states.
    openSettings_ = settings::readFile();
}

void OptionSettings::読込_環境設定データ()
{
    if (!openSettings_)
        return;
    const std::string bytes = std::move(*openSettings_);
    openSettings_.reset();
    for (const settings::Setting& setting : settings::parse(bytes)) {
        ui_.setChecked(setting.item, setting.on);
        switch (setting.item) {
        case CheckItem::TEJYUN:
            // The move numbers follow from the next move or step on.
            break;
        case CheckItem::AICON:
            if (!setting.on)
                display_.消去_全手番アイコン();
            break;
        case CheckItem::BGM:
            if (setting.on)
                sounds_.playMusic();
            else
                sounds_.stopMusic();
            break;
        }
    }
}

}  // namespace korvalo
