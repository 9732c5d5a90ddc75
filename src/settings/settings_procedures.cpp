// Form1's procedures for the settings file: writing it from the three check
// marks of the option menu, and reading it back into them.
#include <utility>

#include "flow/form1.h"
#include "settings/settings_file.h"

namespace korvalo {

void Form1::書込_環境設定ファイル()
{
    // A failed write is tried once more with a fixed content; the check marks
    // stay as they are either way. When both fail, for a folder where nothing
    // can be written, the options are simply not kept for the next start.
    settings::save(ui_.isChecked(CheckItem::TEJYUN), ui_.isChecked(CheckItem::AICON), ui_.isChecked(CheckItem::BGM));
}

void Form1::読込_環境設定ファイル()
{
    openSettings_.reset();
    if (settings::fileIsMissing())
        書込_環境設定ファイル();
    // A file that cannot be read leaves nothing open: the options keep their states.
    openSettings_ = settings::readFile();
}

void Form1::読込_環境設定データ()
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
                消去_全手番アイコン();
            break;
        case CheckItem::BGM:
            if (setting.on)
                dsPlayLooping(soundBgm);
            else
                dsStop(soundBgm);
            break;
        }
    }
}

}  // namespace korvalo
