#pragma once
// What a host allows the connections that reach it: how long and how many may
// wait for their greeting, wrong codes, and the inputs of one window.
#include <QHostAddress>
#include <chrono>
#include <string>

#include "input/input.h"
#include "net/protocol.h"

namespace korvalo::net::limits {

// A connection greets within this, or it is closed; at most so many may wait
// for their greeting from one address and in all, the oldest closed first.
inline constexpr auto greetingTime = std::chrono::seconds(5);
inline constexpr int maxWaitingPerAddress = 4;
inline constexpr int maxWaiting = 64;
// What lines may cost a connection before its greeting: the greeting itself.
inline constexpr std::size_t greetingLimit = 8 * 1024;
// Inputs of one window waiting in the event gate (while a box is open, say):
// a whole game's worth fits.
inline constexpr std::size_t gateBudget = 64 * 1024;
// Inputs of one window that cannot be a move (a press where the colour to
// move may not play, a key, a press out of turn) the gate runs in one turn;
// the rest of that turn's are dropped, while a move always goes in. A person
// who clicks a taken square again and again stays far below it.
inline constexpr int maxInputsPerTurn = 256;
// After this many wrong codes from one address its greetings are refused
// unchecked, for a penalty doubling from 1 s to 30 s; an address quiet for
// a while starts afresh.
inline constexpr int freeGuesses = 3;
inline constexpr int maxPenalty = 30;
inline constexpr auto guessesKept = std::chrono::minutes(10);
inline constexpr std::size_t addressesKept = 4096;

// The address a peer is counted by: IPv4 as it is, IPv6 by its /64, which one
// machine may fill with addresses of its own.
inline std::string addressKey(const QHostAddress& address)
{
    bool v4 = false;
    const quint32 ipv4 = address.toIPv4Address(&v4);
    if (v4)
        return QHostAddress(ipv4).toString().toStdString();
    Q_IPV6ADDR bytes = address.toIPv6Address();
    for (int i = 8; i < 16; ++i)
        bytes[i] = 0;
    return QHostAddress(bytes).toString().toStdString() + "/64";
}

inline std::size_t costOf(const Input& input)
{
    return inputLine(input).size() + lineCost;
}

}  // namespace korvalo::net::limits
