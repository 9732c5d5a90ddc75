#include "net/router_answers.h"

#include <arpa/inet.h>
#include <cstdint>

namespace korvalo::net {

int readPort(std::string_view text)
{
    if (text.empty() || text.size() > 5)
        return 0;
    int port = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return 0;
        port = port * 10 + (c - '0');
    }
    return port <= 65535 ? port : 0;
}

namespace {

struct Range {
    std::uint32_t network;
    int bits;
};

// IPv4 ranges the internet does not route to a home router: this network,
// private, shared (a provider's NAT), loopback, link-local, protocol
// assignments, documentation, the 6to4 relay, benchmarking, multicast and
// reserved, and the broadcast address.
constexpr Range notPublic4[] = {
    {0x00000000, 8},  {0x0a000000, 8},  {0x64400000, 10}, {0x7f000000, 8},  {0xa9fe0000, 16},
    {0xac100000, 12}, {0xc0000000, 24}, {0xc0000200, 24}, {0xc0586300, 24}, {0xc0a80000, 16},
    {0xc6120000, 15}, {0xc6336400, 24}, {0xcb007100, 24}, {0xe0000000, 4},  {0xf0000000, 4},
};

bool public4(std::uint32_t a)
{
    for (const Range& range : notPublic4)
        if ((a >> (32 - range.bits)) == (range.network >> (32 - range.bits)))
            return false;
    return true;
}

// Global unicast (2000::/3) only, without the ranges for documentation
// (2001:db8::/32, 3fff::/20) and for protocols (2001::/23, Teredo among them).
bool public6(const in6_addr& address)
{
    const unsigned char* b = address.s6_addr;
    if ((b[0] & 0xe0) != 0x20)
        return false;
    if (b[0] == 0x20 && b[1] == 0x01 && (b[2] & 0xfe) == 0x00)
        return false;
    if (b[0] == 0x20 && b[1] == 0x01 && b[2] == 0x0d && b[3] == 0xb8)
        return false;
    return !(b[0] == 0x3f && b[1] == 0xff && (b[2] & 0xf0) == 0x00);
}

}  // namespace

OutsideAddress readOutsideAddress(const std::string& text, std::string* normal)
{
    in_addr v4{};
    in6_addr v6{};
    char buffer[INET6_ADDRSTRLEN] = {};
    // inet_pton reads the whole string: a name, a trailing byte or an
    // embedded NUL (which c_str would hide) is no address.
    if (text.find('\0') != std::string::npos)
        return OutsideAddress::Unreadable;
    if (::inet_pton(AF_INET, text.c_str(), &v4) == 1) {
        ::inet_ntop(AF_INET, &v4, buffer, sizeof buffer);
        *normal = buffer;
        return public4(ntohl(v4.s_addr)) ? OutsideAddress::Public : OutsideAddress::Unreachable;
    }
    if (::inet_pton(AF_INET6, text.c_str(), &v6) == 1) {
        ::inet_ntop(AF_INET6, &v6, buffer, sizeof buffer);
        *normal = buffer;
        return public6(v6) ? OutsideAddress::Public : OutsideAddress::Unreachable;
    }
    return OutsideAddress::Unreadable;
}

}  // namespace korvalo::net
