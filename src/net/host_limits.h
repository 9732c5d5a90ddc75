#pragma once
// What a host allows the connections that reach it: how long and how many may
// wait for their greeting, how fast codes are checked, and the inputs that
// joined windows may have waiting.
#include <QHostAddress>
#include <chrono>
#include <string>

#include "input/input.h"
#include "net/protocol.h"

namespace korvalo::net::limits {

// A connection greets within this, or it is closed. At most so many may wait
// for their welcome (to greet, or for their code to be checked) from one
// address and in all; beyond that the host closes first those that have sent
// no line (the oldest first), so that a stranger flood does not push out a
// slow but honest greeter, and then, from the address with most waiting, the
// newest greeting (told to try again). A connection costs the host a socket
// and a few kilobytes while it waits.
inline constexpr auto greetingTime = std::chrono::seconds(5);
inline constexpr int maxWaitingPerAddress = 16;
inline constexpr int maxWaiting = 256;
// What lines may cost a connection before its greeting: the greeting itself.
inline constexpr std::size_t greetingLimit = 8 * 1024;
// Codes checked in a second, for every address together; greetings beyond
// wait their turn, each address with waiting greetings taking its turn in a
// round, its own in the order they came. A stranger who guesses codes is held
// to this rate (the expected time to guess a generated code at it is in
// README), and a friend behind the same address is checked right after the
// guesses already waiting there. Up to a second's worth may be checked at
// once after a quiet while.
inline constexpr int maxChecksPerSecond = 50;
// Inputs of one colour waiting in the event gate (while a box is open, say),
// counted for whichever window plays it, across its windows' reconnects: a
// whole game's worth fits. Windows that watch share one budget of the same
// size. In all that makes what the host keeps for joined windows at most.
inline constexpr std::size_t gateBudget = 64 * 1024;
inline constexpr std::size_t totalGateBudget = 5 * gateBudget;
// Inputs of one window that cannot be a move (a press where the colour to
// move may not play, a key, a press out of turn) the gate runs in one turn;
// the rest of that turn's are dropped, while a move always goes in. A person
// who clicks a taken square again and again stays far below it.
inline constexpr int maxInputsPerTurn = 256;
// Addresses the host keeps count of: their refusals for the log, their
// turns of checks.
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
