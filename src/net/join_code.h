#pragma once
// The code a host keeps strangers out with: the one it chooses, and how
// strong one a person chose is.
#include <string>
#include <string_view>

namespace korvalo::net {

// A random code for keeping strangers out: four groups of two
// consonant-vowel syllables ("baki-dome-furo-nisa"), 70^8, about 49 bits,
// easy to say across a room and to type.
std::string randomCode();
// The bits of a random code: log2 of the codes randomCode chooses from.
double randomCodeBits();
// A simple estimate of a code's bits, for a code a person chose: its length
// in characters times log2 of the size of the classes of characters it uses
// (26 small letters, 26 capitals, 10 digits, the 33 other signs of ASCII, and
// 128 for the characters beyond ASCII). A word of the language scores more
// than it is worth, so that what scores under weakCodeBits is weak surely;
// such a code is taken, with a warning.
double estimatedCodeBits(std::string_view code);
inline constexpr double weakCodeBits = 40;

}  // namespace korvalo::net
