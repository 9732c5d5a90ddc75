#pragma once
// The address of a host as a person writes it on the command line.
#include <string>

namespace korvalo::net {

// Reads HOST, HOST:PORT, [IPV6] or [IPV6]:PORT; port keeps its value when
// none is given. False for anything else.
bool splitAddress(const std::string& text, std::string* host, int* port);

}  // namespace korvalo::net
