#pragma once
// What a home router answers is read as input from a stranger: a port is a
// number of 1 to 65535 in decimal digits, and an outside address is taken for
// a join link only when the internet can reach it.
#include <string>
#include <string_view>

namespace korvalo::net {

// The port TEXT names, in decimal digits alone (no sign, no blanks, at most
// five); 0 for anything else, 0 itself and numbers above 65535 included.
int readPort(std::string_view text);

enum class OutsideAddress {
    Public,      // a public IPv4 or IPv6 address
    Unreachable, // an address of a private, shared, local or reserved range
    Unreadable,  // no IP address at all: a name, empty, or other bytes
};
// Reads a router's outside address. For an IP address, *normal is set to its
// usual text (which holds no bytes but digits, letters, '.' and ':').
OutsideAddress readOutsideAddress(const std::string& text, std::string* normal);

}  // namespace korvalo::net
