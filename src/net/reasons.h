#pragma once
// Why a join failed or a connection closed, in the words a window shows a
// person: Japanese. The terminal's log and korvalo-script keep the English
// reasons, and the protocol keeps its words: a host refuses a greeting with
// one of the reasons below, and a joining window shows the Japanese for a
// reason it knows, and for one it does not (a host of another version) the
// host's own words, made printable and short, after a Japanese sentence.
#include <QAbstractSocket>
#include <QString>
#include <string>

namespace korvalo::net {

// The reasons a host refuses a greeting with ("refused REASON").
namespace refusal {
inline constexpr char notAWindow[] = "not a Korvalo window";
inline constexpr char otherVersion[] = "a different version: the host runs Korvalo ";  // then the version
inline constexpr char wrongCode[] = "a wrong code";
inline constexpr char noSuchColour[] = "no such colour: ";  // then the word asked for
inline constexpr char full[] = "the game is full";
inline constexpr char runTooLong[] = "this game has run too long to catch up with; join when a new game starts";
}  // namespace refusal

// What a window says for a host's refusal, and for "refused wait N".
QString refusalForWindow(const std::string& reason);
QString waitForWindow(int seconds);
// What a window says for a socket's error (Qt's errorString is English).
QString socketErrorForWindow(QAbstractSocket::SocketError error);
// What a window says for a router's refusal of a port mapping: the status
// that miniupnpc (via "UPnP": the router's UPnP error code, or the library's
// own below 0) or libnatpmp (via "NAT-PMP") gave.
QString routerAnswerForWindow(const std::string& via, int status);

}  // namespace korvalo::net
