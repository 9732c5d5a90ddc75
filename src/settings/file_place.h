#pragma once
// Where the settings file is and how it is written without harm: the name
// Korvalo.ini followed through its links only where that is safe, what may be
// written there, and the two ways of writing it (a new file renamed over the
// old, or the old rewritten in place).
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>

#include <optional>
#include <string>
#include <utility>

namespace korvalo::settings {

// A file descriptor, closed when it goes.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// What stands under the name Korvalo.ini in the working folder, links
// followed to their end.
struct Entry {
    Descriptor folder;                  // the folder that holds it, held open
    std::string name;                   // its name in that folder
    std::optional<struct stat> status;  // nothing when there is no such entry
    int links = 0;                      // links followed to get here
    std::string shown;                  // its path from the working folder, for the player
    bool reached = false;               // false: the way to it was not followed to its end
    std::string problem;                // then why, when a link was the reason
};

// Follows Korvalo.ini through any chain of links, one name at a time from
// folders held open, so nothing can be swapped under a name already looked
// at. A link is followed only when it belongs to the user running the game
// or to the owner of the folder that holds it: the rule the kernel applies
// in folders such as /tmp, here applied in every folder, so a link planted
// by another user never leads the game to a file of its choosing.
Entry findFile();

enum class Way {
    Replace,         // a new file renamed over the old one, or made anew
    RewriteInPlace,  // the file followed to, which keeps its inode and owner
    Leave,           // nothing is written
};

struct Judgement {
    Way way;
    std::string why;  // what the player is told when nothing is written; empty: nothing
};

// How new settings are written to the entry.
Judgement judge(const Entry& entry);

// Replaces the entry name in folder, or makes it: the new content is written
// to a new file beside it, flushed to the disk and renamed over it, so a
// failure at any point leaves the old file whole. The rename replaces the
// name itself, whatever stands there by then, and follows no link. The new
// file takes the permissions of the old one.
bool replace(int folder, const std::string& name, const std::optional<struct stat>& old, const QByteArray& bytes);

// Rewrites the regular file name in folder in place, so it keeps its inode,
// mode, owner and group. It is opened without following a link, without
// truncation and without waiting, should it have become a pipe, and is
// checked once open: it must still be a regular file with some write
// permission and, with ownOnly, belong to the user running the game. The
// whole content is written over the old from its start and flushed, and only
// then is the file cut to its new length, so a write that fails never leaves
// it cut short.
bool rewriteInPlace(int folder, const std::string& name, const QByteArray& bytes, bool ownOnly);

}  // namespace korvalo::settings
