#include "net/join_code.h"

#include <QRandomGenerator>

#include <cmath>

namespace korvalo::net {

namespace {

constexpr char consonants[] = "bdfgklmnprstvz";
constexpr char vowels[] = "aeiou";
constexpr int syllables = 8;

}  // namespace

std::string randomCode()
{
    std::string code;
    for (int i = 0; i < syllables; ++i) {
        if (i > 0 && i % 2 == 0)
            code += '-';
        code += consonants[QRandomGenerator::system()->bounded(int(sizeof consonants - 1))];
        code += vowels[QRandomGenerator::system()->bounded(int(sizeof vowels - 1))];
    }
    return code;
}

double randomCodeBits()
{
    return syllables * std::log2(double(sizeof consonants - 1) * double(sizeof vowels - 1));
}

double estimatedCodeBits(std::string_view code)
{
    bool small = false, capital = false, digit = false, sign = false, beyond = false;
    std::size_t characters = 0;
    for (const char c : code) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) == 0x80)
            continue;  // the rest of a character beyond ASCII
        ++characters;
        const bool isSmall = byte >= 'a' && byte <= 'z', isCapital = byte >= 'A' && byte <= 'Z',
                   isDigit = byte >= '0' && byte <= '9';
        small |= isSmall;
        capital |= isCapital;
        digit |= isDigit;
        beyond |= byte >= 0x80;
        sign |= byte < 0x80 && !isSmall && !isCapital && !isDigit;
    }
    const int alphabet = 26 * small + 26 * capital + 10 * digit + 33 * sign + 128 * beyond;
    return alphabet == 0 ? 0.0 : static_cast<double>(characters) * std::log2(double(alphabet));
}

}  // namespace korvalo::net
