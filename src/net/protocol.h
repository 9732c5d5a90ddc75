#pragma once
// The words that windows of one network game say to each other, one line
// each, in UTF-8 ended by a line feed. A window that joins greets the host:
//   hello korvalo PROTOCOL VERSION CODE SEAT   (SEAT: black, blue, white, red or any)
// and the host answers
//   welcome | refused REASON... | refused wait N
// (refused wait N: too many wrong codes came from that address; greetings
// from it are refused unchecked for N seconds more), after which it sends,
// in the order its own game runs them:
//   input FROM LINE      an input of the game in the script language (FROM:
//                        the colour whose window gave it, or host)
//   answer Yes|No        the host's answer to the question whether to play on
//   seat SEAT            the colour this window plays now (or watch)
//   players N            how many windows take part, the host's included (1 to 8)
//   left COLOUR          the window of that colour has left; the host plays it
//   caught-up            the inputs sent so far are the game up to now
//   end [No]             the host has ended (by No to the question)
// A joined window sends
//   move LINE            a press or release on the board by its person
//   bye                  it leaves
// Both sides say
//   ping                 now and then, so that a connection that has gone
//                        silent (a machine gone from the network) is noticed
// Nothing in the protocol reads or writes files, and anything else closes the
// connection: a joined window also closes it when the host sends an input no
// host gives (hostMaySend).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "input/input.h"

namespace korvalo::net {

inline constexpr int protocolVersion = 1;
// The TCP port a host listens on unless told otherwise.
inline constexpr int defaultPort = 47119;
// The longest line either side accepts, and the most bytes a connection may
// have waiting to be read or sent before it is closed.
inline constexpr std::size_t maxLine = 4096;
inline constexpr std::size_t maxPending = 1 << 20;
// What each line waiting to be handled costs beyond its bytes, so that empty
// lines count too: about what keeping one takes.
inline constexpr std::size_t lineCost = 64;
// The most lines a connection writes to the log (standard error) in a
// second; what is left out beyond that is counted and said with the next.
inline constexpr int logLinesPerSecond = 4;
// How often each side says ping, and how long a connection may stay silent
// before it is taken for lost.
inline constexpr int pingMilliseconds = 2000;
inline constexpr int silenceMilliseconds = 8000;

// Colours by name: 1 black, 2 blue, 3 white, 4 red; 0 for "watch" or "any".
std::string colourWord(int colour);
std::optional<int> colourOf(std::string_view word);

// The words of a line, split at single blanks; the last word keeps the rest
// of the line when rest is true.
std::vector<std::string> splitLine(std::string_view line, std::size_t most);

// Reads HOST, HOST:PORT, [IPV6] or [IPV6]:PORT; port keeps its value when
// none is given. False for anything else.
bool splitAddress(const std::string& text, std::string* host, int* port);

// The commands each window keeps for itself and sends nobody: the options
// and the about box.
bool isWindowsOwn(const Input& input);

// Whether a host sends this input to joined windows: from is "host" or the
// colour whose window gave it. The host's window keeps its options, its
// about box and its leaving (Esc, close, 終了) to itself, and a joined
// window's person gives only presses and releases on the board; anything
// else from a host is no game's.
bool hostMaySend(std::string_view from, const Input& input);

// Players a game may have, the host's window included.
inline constexpr int maxPlayers = 8;

// A random code for keeping strangers out: four groups of two
// consonant-vowel syllables ("baki-dome-furo-nisa"), 70^8, about 49 bits,
// easy to say across a room and to type.
std::string randomCode();

// Text from a peer as the terminal may show it: control bytes (C0, DEL and
// the C1 range) as \xNN, cut to most characters with "…" after.
std::string printable(std::string_view text, std::size_t most = 200);

}  // namespace korvalo::net
