#pragma once
// The words that windows of one network game say to each other, one line
// each, in UTF-8 ended by a line feed. A window that joins greets the host:
//   hello korvalo PROTOCOL VERSION CODE SEAT   (SEAT: black, blue, white, red, any
//                                              or watch, to watch only)
// and the host answers, once it has checked the code (a greeting with a wrong
// code is refused as such, whatever its version)
//   welcome | refused REASON... | refused wait N
// (refused wait N: too many greetings wait for the host to check them; the
// window may try again in N seconds), after which it sends, in the order its
// own game runs them:
//   input FROM LINE      an input of the game in the script language (FROM:
//                        the colour whose window gave it, or host)
//   input host computer strong | input host computer LEVEL
//                        the host's computer colours choose at level 5
//                        (strong) or at LEVEL (1, 3 or 4), and the host sends
//                        the squares they choose (sent after welcome, before
//                        the catch-up; the standard level 2 is not said)
//   input host computer COL ROW
//                        the square the host's computer chose, played by the
//                        computer colour to move without choosing
//   answer Yes|No        the host's answer to the question whether to play on
//   seat SEAT            the colour this window plays now (or watch)
//   players N            how many windows take part, the host's included (1 to 8)
//   left COLOUR          the window of that colour has left; the host plays it
//   caught-up            the inputs sent so far are the game up to now (what
//                        comes between welcome and caught-up costs at most
//                        maxCatchUp)
//   end [No]             the host has ended (by No to the question)
// A joined window sends
//   move LINE            a press or release on the board by its person
//   bye                  it leaves
// Both sides say
//   ping                 now and then, so that a connection that has gone
//                        silent (a machine gone from the network) is noticed
// Nothing in the protocol reads or writes files, and anything else closes the
// connection: a joined window also closes it when the host sends an input no
// host gives (hostMaySend, in forwarding.h).
#include <optional>
#include <string>
#include <string_view>
#include <variant>
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
// What the lines a host sends between welcome and caught-up may cost, each
// its bytes and lineCost: a host sends no more, and a joining window takes
// no more. Half of what may wait on a connection, so that what the game
// sends meanwhile fits beside it.
inline constexpr std::size_t maxCatchUp = maxPending / 2;
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

// Every message of the protocol, a type each, as the comment above gives them.
namespace message {
struct Hello {  // a joining window's greeting
    std::string protocol, version, code, seat;  // as written; the host judges them
};
struct Welcome {};
struct Refused {
    std::string reason;
};
struct RefusedWait {  // too many greetings to check: try again in seconds
    int seconds = 1;
};
struct InputOf {  // an input of the game the host ran
    std::string from;  // "host" or the colour word of the window that gave it
    Input input;
};
struct ComputerOf {  // the host's computer: the level it plays at, or a square it chose
    bool announce = false;  // the computer colours choose at the host, at level
    int level = 5;          // announce: 1, 3, 4 or 5, the levels whose squares are sent
    int column = 1, row = 1;  // the square, 1..9 each, when not announce
};
struct AnswerOf {
    Answer answer = Answer::Yes;  // Yes or No
};
struct Seat {
    int colour = 0;  // 0: watching
};
struct Players {
    int count = 1;  // 1 to maxPlayers
};
struct Left {
    int colour = 1;  // 1 to 4
};
struct CaughtUp {};
struct End {
    bool byNo = false;
};
struct Move {  // a press or release of a joined window's person
    Input input;
};
struct Bye {};
}  // namespace message
using Message = std::variant<message::Hello, message::Welcome, message::Refused, message::RefusedWait,
                             message::InputOf, message::ComputerOf, message::AnswerOf, message::Seat, message::Players, message::Left,
                             message::CaughtUp, message::End, message::Move, message::Bye>;

// The one parser: the message a line says, none for a line that is no
// message of the protocol (or carries what no message carries).
std::optional<Message> parseMessage(std::string_view line);
// The one writer: the line of a message, without its line feed.
std::string writeMessage(const Message& message);
// The line each side says now and then; it is no message to the game.
inline constexpr std::string_view pingLine = "ping";

// Players a game may have, the host's window included.
inline constexpr int maxPlayers = 8;

}  // namespace korvalo::net
