#include "script/script_reader.h"

#include "input/input.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <istream>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvalo {

namespace {

// Characters of a line that a message quotes.
constexpr std::size_t quotedCharacters = 40;
// Bytes read at a time; the buffer never holds more than one line of the
// longest length with its line end.
constexpr std::size_t readPiece = 16 * 1024;
constexpr std::size_t bufferLimit = maxScriptLine + 2;

bool continuationByte(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

}  // namespace

std::string quotedLine(std::string_view line)
{
    std::size_t end = 0;
    for (std::size_t characters = 0; end < line.size() && characters < quotedCharacters; ++characters) {
        ++end;
        while (end < line.size() && continuationByte(line[end]))
            ++end;
    }
    // Control characters (a NUL, an escape) are shown by their code.
    std::string quoted;
    for (const char byte : line.substr(0, end)) {
        const auto code = static_cast<unsigned char>(byte);
        if (code < 0x20 || code == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", code);
            quoted += escaped;
        } else {
            quoted += byte;
        }
    }
    if (end < line.size())
        quoted += "…";
    return quoted;
}

int openScriptFile(const std::string& path, std::string* error)
{
    // Without O_NONBLOCK, opening a pipe waits for its writer and opening a
    // device may act on it; the kind is checked on what was opened.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *error = std::string("cannot read ") + path + ": " + std::strerror(errno);
        return -1;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !(S_ISREG(status.st_mode) || S_ISFIFO(status.st_mode))) {
        const bool folder = S_ISDIR(status.st_mode);
        ::close(fd);
        *error = path + (folder ? " is a folder, not a script" : " is not a file that holds a script");
        return -1;
    }
    return fd;
}

ScriptReader::ScriptReader(int descriptor, bool blocking) : fd_(descriptor), blocking_(blocking) {}

ScriptReader::ScriptReader(std::istream& in) : in_(&in) {}

std::string ScriptReader::about(const std::string& what) const
{
    return "line " + std::to_string(number_) + ": " + what;
}

ScriptReader::Result ScriptReader::stop(Result result, const std::string& why)
{
    stopped_ = result;
    problem_ = why;
    buffer_.clear();
    buffer_.shrink_to_fit();
    start_ = 0;
    return result;
}

long ScriptReader::fill()
{
    if (start_ > 0) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    const std::size_t old = buffer_.size();
    const std::size_t piece = std::min(readPiece, bufferLimit - old);
    if (in_) {
        buffer_.resize(old + piece);
        in_->read(buffer_.data() + old, static_cast<std::streamsize>(piece));
        const auto got = static_cast<std::size_t>(in_->gcount());
        buffer_.resize(old + got);
        if (got > 0)
            return static_cast<long>(got);
        if (in_->bad()) {
            errno = EIO;
            return -2;
        }
        return 0;
    }
    // A pipe is read only once it has something to give or its writer has
    // gone: read on a pipe that has had no writer yet would tell the end.
    pollfd ready{fd_, POLLIN, 0};
    int polled;
    while ((polled = ::poll(&ready, 1, blocking_ ? -1 : 0)) < 0 && errno == EINTR) {
    }
    if (polled < 0)
        return -2;
    if (polled == 0)
        return -1;
    if (ready.revents & POLLNVAL) {
        errno = EBADF;
        return -2;
    }
    buffer_.resize(old + piece);
    ssize_t got;
    while ((got = ::read(fd_, buffer_.data() + old, piece)) < 0 && errno == EINTR) {
    }
    buffer_.resize(old + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    if (got < 0)
        return errno == EAGAIN || errno == EWOULDBLOCK ? -1 : -2;
    return static_cast<long>(got);
}

ScriptReader::Result ScriptReader::next(std::string* line)
{
    if (stopped_ != Result::Line)
        return stopped_;
    for (;;) {
        const std::size_t feed = buffer_.find('\n', start_);
        const bool whole = feed != std::string::npos;
        if (whole || (ended_ && start_ < buffer_.size())) {
            const std::size_t end = whole ? feed : buffer_.size();
            line->assign(buffer_, start_, end - start_);
            start_ = whole ? end + 1 : buffer_.size();
            ++number_;
            if (!line->empty() && line->back() == '\r')
                line->pop_back();
            if (line->size() > maxScriptLine)
                return stop(Result::TooLong, about("longer than " + std::to_string(maxScriptLine) +
                                                   " characters: " + quotedLine(*line)));
            if (number_ == 1)
                recording_ = line->rfind(recordingMark, 0) == 0;
            if (recording_ && !whole)
                return stop(Result::Cut,
                            about("the recording was cut short in this line, which is not replayed: " +
                                  quotedLine(*line)));
            return Result::Line;
        }
        if (ended_)
            return stop(Result::End, {});
        if (buffer_.size() - start_ >= bufferLimit) {
            ++number_;
            return stop(Result::TooLong, about("longer than " + std::to_string(maxScriptLine) +
                                               " characters: " + quotedLine(std::string_view(buffer_).substr(start_))));
        }
        const long got = fill();
        if (got == -1)
            return Result::Wait;
        if (got == -2) {
            const std::string reason = std::strerror(errno);
            ++number_;
            return stop(Result::Failed, about("cannot be read: " + reason));
        }
        if (got == 0)
            ended_ = true;
    }
}

}  // namespace korvalo
