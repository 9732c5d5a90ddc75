#include "net/protocol.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>

namespace korvalo::net {

namespace {

constexpr const char* colourWords[] = {"watch", "black", "blue", "white", "red"};

}  // namespace

std::string colourWord(int colour)
{
    return colour >= 1 && colour <= 4 ? colourWords[colour] : colourWords[0];
}

std::optional<int> colourOf(std::string_view word)
{
    for (int colour = 1; colour <= 4; ++colour)
        if (word == colourWords[colour])
            return colour;
    if (word == "watch" || word == "any")
        return 0;
    return std::nullopt;
}

std::vector<std::string> splitLine(std::string_view line, std::size_t most)
{
    std::vector<std::string> words;
    while (!line.empty() && words.size() + 1 < most) {
        const std::size_t blank = line.find(' ');
        if (blank == std::string_view::npos)
            break;
        words.emplace_back(line.substr(0, blank));
        line.remove_prefix(blank + 1);
    }
    words.emplace_back(line);
    return words;
}

bool splitAddress(const std::string& text, std::string* host, int* port)
{
    std::string rest;
    if (!text.empty() && text[0] == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos)
            return false;
        *host = text.substr(1, close - 1);
        rest = text.substr(close + 1);
    } else if (std::count(text.begin(), text.end(), ':') > 1) {
        *host = text;  // a bare IPv6 address
    } else {
        const std::size_t colon = text.find(':');
        *host = text.substr(0, colon);
        if (colon != std::string::npos)
            rest = text.substr(colon);
    }
    if (host->empty())
        return false;
    if (rest.empty())
        return true;
    if (rest[0] != ':' || rest.size() < 2 || rest.size() > 6 ||
        rest.find_first_not_of("0123456789", 1) != std::string::npos)
        return false;
    *port = std::stoi(rest.substr(1));
    return *port > 0 && *port <= 65535;
}

bool isWindowsOwn(const Input& input)
{
    return input.kind == Input::Kind::Menu &&
           (input.item == "TEJYUN" || input.item == "AICON" || input.item == "BGM" || input.item == "SONOTA");
}

bool hostMaySend(std::string_view from, const Input& input)
{
    using Kind = Input::Kind;
    if (from != "host")
        return input.kind == Kind::Press || input.kind == Kind::Release;
    switch (input.kind) {
    case Kind::Press:
    case Kind::Release: return true;
    // Esc leaves the game; the game does nothing with the other keys.
    case Kind::Key: return input.code != 27;
    // The seatings and 最初, 戻 and 進: the commands that change the game for
    // every window. The options, the about box and 終了 stay at the host.
    case Kind::Menu: return !isWindowsOwn(input) && !input.leaves();
    case Kind::Click:
    case Kind::Close: return false;
    }
    return false;
}

std::string randomCode()
{
    constexpr char consonants[] = "bdfgklmnprstvz";
    constexpr char vowels[] = "aeiou";
    std::string code;
    for (int i = 0; i < 8; ++i) {
        if (i > 0 && i % 2 == 0)
            code += '-';
        code += consonants[QRandomGenerator::system()->bounded(int(sizeof consonants - 1))];
        code += vowels[QRandomGenerator::system()->bounded(int(sizeof vowels - 1))];
    }
    return code;
}

std::string printable(std::string_view text, std::size_t most)
{
    std::string out;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80 && characters++ == most) {
            out += "…";
            break;
        }
        // U+0080 to U+009F are C2 80 to C2 9F in UTF-8.
        const bool c1 = byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (byte < 0x20 || byte == 0x7F || c1) {
            const unsigned code = c1 ? static_cast<unsigned char>(text[++i]) : byte;
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", code);
            out += escaped;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace korvalo::net
