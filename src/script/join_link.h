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

// What is wrong with a join link that cannot be read, for a program to word
// in its own language.
enum class JoinLinkProblem {
    None,
    NotALink,         // it does not start with korvalo://
    NoHost,
    BadHost,          // not a name, nor an IPv4 or IPv6 address
    PortNotANumber,
    PortOutOfRange,   // not from 1 to 65535
    MoreThanItsParts, // a user, a query or a fragment too
    NoCode,
    MoreThanOneCode,  // more than one part in the path
    BadCode,          // empty once decoded, or with blanks or characters a link cannot hold
};

// Reads a join link into the host's address, port and code (decoded); false
// with the reason for a malformed one, in English in error and as a problem.
// A link without a port names the usual one, defaultPort.
bool readJoinLink(const std::string& text, int defaultPort, std::string* host, int* port, std::string* code,
                  std::string* error, JoinLinkProblem* problem = nullptr);

}  // namespace korvalo
