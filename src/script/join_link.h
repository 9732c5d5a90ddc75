#pragma once
// Join links, korvalo://HOST:PORT/CODE: how a host tells where and with which
// code to join in one piece of text, and how both programs read one. An IPv6
// address is in brackets; the code is percent-encoded where it has to be.
#include <string>

namespace korvalo {

inline constexpr char joinLinkScheme[] = "korvalo";

// The link to a game at address:port with code.
std::string joinLink(const std::string& address, int port, const std::string& code);

// Whether text is meant as a join link (it starts with "korvalo:").
bool isJoinLink(const std::string& text);

// Reads a join link into the host's address, port and code (decoded); false
// with the reason for a malformed one. A link without a port names the usual
// one, defaultPort.
bool readJoinLink(const std::string& text, int defaultPort, std::string* host, int* port, std::string* code,
                  std::string* error);

}  // namespace korvalo
