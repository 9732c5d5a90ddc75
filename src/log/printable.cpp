#include "log/printable.h"

#include <cstdio>

namespace korvalo::log {

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

}  // namespace korvalo::log
