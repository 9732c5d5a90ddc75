#pragma once
// Reads a game script line by line, holding at most one line of it: the one
// reader of the driver and of a replay in the window. Whatever a file holds
// (a line that never ends, a stream of NUL bytes, a pipe that is slow to
// write), reading it costs a buffer of bounded size and never takes a failed
// read for the end of the file.
#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

namespace korvalo {

// The longest line read. A real line is far shorter: the longest answer line
// of a recorded game stays under 2 KiB.
inline constexpr std::size_t maxScriptLine = 64 * 1024;

// The start of a line as a message quotes it: at most a few dozen characters,
// cut on a character boundary, with an ellipsis when it goes on.
std::string quotedLine(std::string_view line);

// Opens a script file for reading without blocking, also on a pipe that has
// no writer yet. Only a regular file or a pipe is read: a folder, a device or
// a socket is refused. Returns the descriptor, or -1 with the reason.
int openScriptFile(const std::string& path, std::string* error);

class ScriptReader {
public:
    enum class Result {
        Line,     // *line holds the next line, without its line end
        End,      // the end of the script
        Wait,     // nothing to read yet: try again once descriptor() is readable
        Cut,      // the last line of a recording lacks its line feed; problem() says so
        TooLong,  // a line longer than maxScriptLine; problem() says so
        Failed,   // the script cannot be read; problem() says why
    };

    // Reads the descriptor (not closed here). A blocking reader waits for
    // more of a pipe instead of giving Wait.
    ScriptReader(int descriptor, bool blocking);
    // Reads a stream (for scripts made in memory); never gives Wait.
    explicit ScriptReader(std::istream& in);

    // Counts lines and drops a carriage return before the line feed. A
    // recording ends every line with a line feed, so in a file that starts
    // with the recording header a last line without one was cut short while
    // it was written, and is not handed out. After anything but Line and
    // Wait, every further call gives the same result.
    Result next(std::string* line);

    int descriptor() const { return fd_; }
    // The number of the line last read, and a message about it: "line N: what".
    int number() const { return number_; }
    std::string about(const std::string& what) const;
    // Why reading stopped, for Cut, TooLong and Failed.
    const std::string& problem() const { return problem_; }

private:
    // Adds what can be read now to the buffer: its size, 0 at the end, -1
    // when nothing is there yet, -2 for a failure.
    long fill();
    Result stop(Result result, const std::string& why);

    int fd_ = -1;
    bool blocking_ = false;
    std::istream* in_ = nullptr;
    std::string buffer_;    // bytes read, from start_ on not yet handed out
    std::size_t start_ = 0;
    int number_ = 0;
    bool recording_ = false;
    bool ended_ = false;
    Result stopped_ = Result::Line;  // the final result once reading stopped
    std::string problem_;
};

}  // namespace korvalo
