#include "settings/file_place.h"

#include <fcntl.h>
#include <sys/sysmacros.h>

#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <deque>
#include <vector>

#include "settings/settings_file.h"

namespace korvalo::settings {

namespace {

// Links followed to find the file behind Korvalo.ini; a longer chain is
// taken for a loop.
constexpr int maxLinkDepth = 32;

// Opens a folder as a place to look things up in, without reading it.
Descriptor openFolder(int at, const char* path)
{
    return Descriptor(::openat(at, path, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// The names of a path, without empty ones.
std::vector<std::string> pathNames(const std::string& path)
{
    std::vector<std::string> names;
    for (std::size_t from = 0; from <= path.size();) {
        std::size_t to = path.find('/', from);
        if (to == std::string::npos)
            to = path.size();
        if (to > from)
            names.push_back(path.substr(from, to - from));
        from = to + 1;
    }
    return names;
}

bool isNullDevice(const struct stat& status)
{
    return S_ISCHR(status.st_mode) && status.st_rdev == makedev(1, 3);
}

// Writes all of bytes to fd from its start.
bool writeAll(int fd, const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::pwrite(fd, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done),
                                   static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

}  // namespace

Entry findFile()
{
    Entry entry;
    entry.folder = openFolder(AT_FDCWD, ".");
    if (!entry.folder)
        return entry;
    std::string walked;  // the folders passed so far, as a path for the player
    std::deque<std::string> rest{fileName};
    // The path being looked up, from the working folder.
    const auto lookedUp = [&walked, &rest](const std::string& name) {
        std::string path = walked + name;
        for (const std::string& next : rest)
            path += "/" + next;
        return path;
    };
    const auto unreachable = [&](const std::string& name) {
        return "the link leads to " + lookedUp(name) + ", which cannot be reached";
    };
    while (!rest.empty()) {
        const std::string name = std::move(rest.front());
        rest.pop_front();
        if (name == "." || name == "..") {
            if (name == ".." && !(entry.folder = openFolder(entry.folder.get(), ".."))) {
                entry.problem = unreachable(name);
                return entry;
            }
            walked += name + "/";
            if (rest.empty())
                entry.problem = "the link leads to the folder " + walked;
            continue;
        }
        struct stat status {};
        if (::fstatat(entry.folder.get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT && rest.empty()) {
                entry.name = name;  // nothing there yet
                entry.shown = walked + name;
                entry.reached = true;
            } else if (entry.links > 0) {
                entry.problem = errno == ENOENT ? "the link leads to " + lookedUp(name) + ", which does not exist"
                                                : unreachable(name);
            }
            return entry;
        }
        if (S_ISLNK(status.st_mode)) {
            // The link is held open, so its owner and its text are those of
            // one and the same link.
            const Descriptor link(::openat(entry.folder.get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
            struct stat folderStatus {};
            if (!link || ::fstat(link.get(), &status) != 0 || !S_ISLNK(status.st_mode) ||
                ::fstat(entry.folder.get(), &folderStatus) != 0) {
                entry.problem = unreachable(name);
                return entry;
            }
            if (status.st_uid != ::geteuid() && status.st_uid != folderStatus.st_uid) {
                entry.problem = "the link " + walked + name + " belongs to another user and is not followed";
                return entry;
            }
            if (++entry.links > maxLinkDepth) {
                entry.problem = "the links go round in a loop";
                return entry;
            }
            char target[PATH_MAX];
            const ssize_t length = ::readlinkat(link.get(), "", target, sizeof target);
            if (length <= 0 || length == static_cast<ssize_t>(sizeof target)) {
                entry.problem = "the link " + walked + name + " cannot be read";
                return entry;
            }
            // The link's names go first, before what was left to follow; a
            // relative one starts from the folder that holds the link.
            const std::string text(target, static_cast<std::size_t>(length));
            if (text.front() == '/') {
                entry.folder = openFolder(AT_FDCWD, "/");
                walked = "/";
            }
            const std::vector<std::string> names = pathNames(text);
            rest.insert(rest.begin(), names.begin(), names.end());
            continue;
        }
        if (rest.empty()) {
            entry.name = name;
            entry.shown = walked + name;
            entry.status = status;
            entry.reached = true;
            return entry;
        }
        if (!S_ISDIR(status.st_mode) || !(entry.folder = openFolder(entry.folder.get(), name.c_str()))) {
            entry.problem = unreachable(name);
            return entry;
        }
        walked += name + "/";
    }
    return entry;
}

Judgement judge(const Entry& entry)
{
    if (!entry.reached)
        return {Way::Leave, entry.problem};
    if (entry.links == 0) {
        // Korvalo.ini itself: made when missing, replaced when a regular file,
        // and anything else under the name is left alone.
        if (!entry.status || S_ISREG(entry.status->st_mode))
            return {Way::Replace, {}};
        return {Way::Leave, {}};
    }
    if (!entry.status)
        return {Way::Leave, "the link leads to " + entry.shown + ", which does not exist"};
    const struct stat& status = *entry.status;
    // A link to the null device is the player's way to throw the settings away.
    if (isNullDevice(status))
        return {Way::Leave, {}};
    if (S_ISDIR(status.st_mode))
        return {Way::Leave, "the link leads to the folder " + entry.shown};
    if (!S_ISREG(status.st_mode))
        return {Way::Leave, "the link leads to " + entry.shown + ", which is not a regular file"};
    if (status.st_uid != ::geteuid())
        return {Way::Leave, "the link leads to " + entry.shown + ", a file of another user"};
    return {Way::RewriteInPlace, {}};
}

bool replace(int folder, const std::string& name, const std::optional<struct stat>& old, const QByteArray& bytes)
{
    // A file that cannot be written is not replaced either.
    if (old && ::faccessat(folder, name.c_str(), W_OK, AT_EACCESS) != 0)
        return false;
    static constexpr char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string temporary;
    Descriptor fd;
    for (int attempt = 0; attempt < 100 && !fd; ++attempt) {
        temporary = name + ".";
        for (int i = 0; i < 6; ++i)
            temporary += letters[QRandomGenerator::global()->bounded(static_cast<int>(sizeof letters - 1))];
        // Unreadable to others until it has the old file's permissions.
        fd = Descriptor(::openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                 old ? 0600 : 0666));
        if (!fd && errno != EEXIST)
            return false;
    }
    if (!fd)
        return false;
    const bool written = writeAll(fd.get(), bytes) && (!old || ::fchmod(fd.get(), old->st_mode & 0777) == 0) &&
                         ::fdatasync(fd.get()) == 0;
    fd = Descriptor();
    if (written && ::renameat(folder, temporary.c_str(), folder, name.c_str()) == 0)
        return true;
    ::unlinkat(folder, temporary.c_str(), 0);
    return false;
}

bool rewriteInPlace(int folder, const std::string& name, const QByteArray& bytes, bool ownOnly)
{
    const Descriptor fd(
        ::openat(folder, name.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat status {};
    if (!fd || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode) || !(status.st_mode & 0222) ||
        (ownOnly && status.st_uid != ::geteuid()))
        return false;
    return writeAll(fd.get(), bytes) && ::fdatasync(fd.get()) == 0 && ::ftruncate(fd.get(), bytes.size()) == 0;
}

}  // namespace korvalo::settings
