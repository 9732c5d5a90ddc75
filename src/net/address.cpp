#include "net/address.h"

#include <algorithm>

#include "net/router_answers.h"

namespace korvalo::net {

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
    if (rest[0] != ':' || !readPort(std::string_view(rest).substr(1)))
        return false;
    *port = readPort(std::string_view(rest).substr(1));
    return true;
}

}  // namespace korvalo::net
