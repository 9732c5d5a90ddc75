#pragma once
// The words that windows of one network game say to each other, one line
// each, in UTF-8 ended by a line feed. A window that joins greets the host:
//   hello korvalo PROTOCOL VERSION CODE SEAT   (SEAT: black, blue, white, red or any)
// and the host answers
//   welcome SEAT | refused REASON...
// after which it sends, in the order its own game runs them:
//   input FROM LINE      an input of the game in the script language (FROM:
//                        the colour whose window gave it, or host)
//   answer Yes|No        the host's answer to the question whether to play on
//   seat SEAT            the colour this window plays now (or watch)
//   players N            how many windows take part, the host's included
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
// connection.
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

// A short random word for keeping strangers out.
std::string randomCode();

}  // namespace korvalo::net
