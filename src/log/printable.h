#pragma once
// What the log shows of text that came from outside the program.
#include <string>
#include <string_view>

namespace korvalo::log {

// Text from a peer as the terminal may show it: control bytes (C0, DEL and
// the C1 range) as \xNN, cut to most characters with "…" after.
std::string printable(std::string_view text, std::size_t most = 200);

}  // namespace korvalo::log
