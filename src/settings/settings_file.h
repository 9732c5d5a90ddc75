#pragma once
// The settings file Korvalo.ini: its text, how it is read and written, and
// what its lines mean. The file is Shift_JIS text with CR LF line ends in the
// working folder, one "key=value" line per option:
//
//   手順番号表示=OK|NG   move numbers on the stones (TEJYUN)
//   ｱｲｺﾝ表示=OK|NG      seat icon of the colour to move (AICON), half-width katakana
//   BGM=OK|NG           looping background music (BGM)
//
// Nothing here touches the game: the option settings (option_settings.h) apply the result.
#include <QString>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace korvalo::settings {

inline constexpr char fileName[] = "Korvalo.ini";

// The file holds three short lines; anything read past this many bytes is not
// a settings file of ours and is left unread, so a huge file costs no time.
inline constexpr std::size_t readLimit = 64 * 1024;

// One line that switches an option: the menu item and whether it gets its mark.
struct Setting {
    CheckItem item;
    bool on;
    bool operator==(const Setting&) const = default;
};

// The three options as the file keeps them.
struct Options {
    bool moveNumbers = false;  // 手順番号表示 (TEJYUN)
    bool icons = false;        // ｱｲｺﾝ表示 (AICON)
    bool music = false;        // BGM
};

// The file's text in UTF-8: the three lines in their fixed order, each ended
// by CR LF.
std::string fileText(const Options& options);

// The settings that the file's bytes ask for, in file order. Lines end in LF,
// CR LF or at the end of the data. The key is the text before the first "=";
// a line whose "=" is missing or first keeps the key of the line before and
// has the text after the "=" (or the whole line) as its value. Keys and
// values must match exactly; bytes that are not Shift_JIS match nothing.
std::vector<Setting> parse(std::string_view bytes);

// The text of one line (without its end) made only of the keys' Shift_JIS
// bytes and of printable ASCII that Shift_JIS leaves as it is, read without
// a Shift_JIS converter: every line the game writes is one. Nothing for any
// other line.
std::optional<QString> plainLineText(std::string_view line);

// True when there is nothing at all under the file's name in the working folder.
bool fileIsMissing();

// The file's bytes, at most readLimit of them and only whole lines when the
// file is longer; nothing when it is not a regular file or cannot be read.
// A symbolic link under the file's name is followed, through a chain of
// links, only while each link belongs to the user running the game or to
// the owner of the folder that holds it.
std::optional<std::string> readFile();

// Replaces the file with the UTF-8 text in Shift_JIS. The new content is
// written beside it and renamed over it, so a failure at any point leaves the
// old file whole. When the folder takes no new file but the file itself is
// writable, it is rewritten in place instead, cut to its new length only
// after the whole content is written. Anything under the name that is not a
// regular file is left alone. A symbolic link under the name is followed as
// readFile follows it, and the file it leads to is rewritten in place, so it
// keeps its inode, mode, owner and group and the link stays a link; only a
// regular file of the user running the game is written so. A link that is
// not followed, or leads to nothing, to a loop, a folder or anything else is
// left alone and nothing is made anywhere. A file without any write
// permission is left alone. Returns false when nothing was written.
bool writeFile(const std::string& utf8Text);

// Why writeFile keeps nothing because of the link under the file's name, in
// words for the player; empty when the name holds no link, a link that
// writeFile follows, or a link to the null device, the player's way to throw
// the settings away.
std::string whyOptionsAreNotKept();

// Writes the text for the options with write. When that fails, it tries once
// more with a fixed content (no move numbers, icons, no music). Returns
// whether either attempt wrote the file.
bool save(const Options& options, const std::function<bool(const std::string&)>& write = writeFile);

}  // namespace korvalo::settings
