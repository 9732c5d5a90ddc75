#pragma once
// The menu items that carry a command, by their names.
#include <string_view>

#include "flow/form1.h"

namespace korvalo {

using MenuHandler = void (Form1::*)();

// The handler of the menu item of that name (JYUNBAN_1, PLAY_TOIMEN, EXIT,
// MODORU, TEJYUN, SONOTA, ...); null for a name that is no command.
MenuHandler menuHandler(std::string_view item);

}  // namespace korvalo
