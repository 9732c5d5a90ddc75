#pragma once
// The lines of a connection, cut from the bytes it reads within the bounds
// the protocol sets.
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "net/protocol.h"

namespace korvalo::net {

// Splits what a connection reads into lines, with the bounds above: a line
// longer than maxLine, one that is no UTF-8, or lines waiting that cost more
// than the limit (each its bytes and lineCost) end the connection. Pings are
// heard and dropped here.
class LineSplitter {
public:
    // Takes bytes read; the reason when the connection must close.
    std::optional<std::string> feed(std::string_view bytes);
    // The next whole line, if any.
    std::optional<std::string> next();
    bool empty() const { return lines_.empty(); }
    // Whole lines seen so far, pings included.
    std::size_t heard() const { return heard_; }
    void setLimit(std::size_t bytes) { limit_ = bytes; }
    void clear();

private:
    std::string pending_;  // bytes after the last whole line
    std::deque<std::string> lines_;
    std::size_t cost_ = 0;
    std::size_t limit_ = maxPending;
    std::size_t heard_ = 0;
};

}  // namespace korvalo::net
