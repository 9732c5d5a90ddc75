#include "settings/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QByteArray>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QVarLengthArray>

#include <cerrno>
#include <climits>
#include <deque>
#include <iterator>
#include <utility>

namespace korvalo::settings {

namespace {

constexpr char encodingName[] = "Shift_JIS";

struct Key {
    const char* text;  // UTF-8
    CheckItem item;
};
constexpr Key keys[] = {
    {"手順番号表示", CheckItem::TEJYUN},
    {"ｱｲｺﾝ表示", CheckItem::AICON},
    {"BGM", CheckItem::BGM},
};

constexpr char valueOn[] = "OK";
// Links followed to find the file behind Korvalo.ini; a longer chain is
// taken for a loop.
constexpr int maxLinkDepth = 32;
constexpr char valueOff[] = "NG";

QString name() { return QString::fromLatin1(fileName); }

// The text of keys[index], made once.
const QString& keyText(std::size_t index)
{
    static const QString texts[] = {QString::fromUtf8(keys[0].text), QString::fromUtf8(keys[1].text),
                                    QString::fromUtf8(keys[2].text)};
    static_assert(std::size(texts) == std::size(keys));
    return texts[index];
}

std::string line(const char* key, bool on) { return std::string(key) + "=" + (on ? valueOn : valueOff) + "\r\n"; }

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

// Opens a folder as a place to look things up in, without reading it.
Descriptor openFolder(int at, const char* path)
{
    return Descriptor(::openat(at, path, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

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

// Follows Korvalo.ini through any chain of links, one name at a time from
// folders held open, so nothing can be swapped under a name already looked
// at. A link is followed only when it belongs to the user running the game
// or to the owner of the folder that holds it: the rule the kernel applies
// in folders such as /tmp, here applied in every folder, so a link planted
// by another user never leads the game to a file of its choosing.
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

bool isNullDevice(const struct stat& status)
{
    return S_ISCHR(status.st_mode) && status.st_rdev == makedev(1, 3);
}

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

// Replaces the entry name in folder, or makes it: the new content is written
// to a new file beside it, flushed to the disk and renamed over it, so a
// failure at any point leaves the old file whole. The rename replaces the
// name itself, whatever stands there by then, and follows no link. The new
// file takes the permissions of the old one.
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

// Rewrites the regular file name in folder in place, so it keeps its inode,
// mode, owner and group. It is opened without following a link, without
// truncation and without waiting, should it have become a pipe, and is
// checked once open: it must still be a regular file with some write
// permission and, with ownOnly, belong to the user running the game. The
// whole content is written over the old from its start and flushed, and only
// then is the file cut to its new length, so a write that fails never leaves
// it cut short.
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

}  // namespace

std::string fileText(bool moveNumbers, bool icons, bool music)
{
    return line(keys[0].text, moveNumbers) + line(keys[1].text, icons) + line(keys[2].text, music);
}

std::vector<Setting> parse(std::string_view bytes)
{
    std::vector<Setting> out;
    QString key;  // in force for lines without a key of their own; empty: none
    std::optional<QStringDecoder> decoder;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view raw = bytes.substr(start, end - start);
        start = next;
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);

        // Each line is decoded on its own: LF and CR never occur inside a
        // Shift_JIS character, and a broken character must not spill into
        // the next line. Bytes that are not Shift_JIS decode to substitutes,
        // except at the end of the line where they vanish; so a line with any
        // of them gives no value at all. One decoder serves the lines while
        // they decode cleanly; its error mark may outlive a reset, so after
        // an error the next line gets a fresh one.
        if (!decoder || decoder->hasError())
            decoder.emplace(encodingName, QStringDecoder::Flag::Stateless);
        else
            decoder->resetState();
        if (!decoder->isValid())
            return out;
        // Decoded into a buffer on the stack: a settings line is short.
        const QByteArrayView encoded(raw.data(), static_cast<qsizetype>(raw.size()));
        QVarLengthArray<QChar, 256> buffer(decoder->requiredSpace(encoded.size()));
        const QStringView text(buffer.data(), decoder->appendToBuffer(buffer.data(), encoded));
        const bool clean = !decoder->hasError();
        const qsizetype equals = text.indexOf(u'=');
        if (equals >= 1)
            key = text.left(equals).toString();
        if (!clean)
            continue;
        const QStringView value = equals >= 0 ? text.mid(equals + 1) : text;

        for (std::size_t i = 0; i < std::size(keys); ++i) {
            if (key != keyText(i))
                continue;
            if (value == QLatin1String(valueOn))
                out.push_back({keys[i].item, true});
            else if (value == QLatin1String(valueOff))
                out.push_back({keys[i].item, false});
        }
    }
    return out;
}

bool fileIsMissing()
{
    const QFileInfo info(name());
    return !info.exists() && !info.isSymLink();
}

std::optional<std::string> readFile()
{
    // Only a regular file is opened: a folder cannot be read, and a pipe or a
    // device under this name could block or never end. It is checked again
    // once open, in case something else took its place meanwhile.
    const Entry entry = findFile();
    if (!entry.reached || !entry.status || !S_ISREG(entry.status->st_mode))
        return std::nullopt;
    const Descriptor fd(
        ::openat(entry.folder.get(), entry.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat status {};
    if (!fd || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    // Read piece by piece up to one byte past the limit, so the three short
    // lines of a real file cost a buffer of their size, not of the limit.
    std::string bytes;
    char piece[4096];
    while (bytes.size() <= readLimit) {
        const ssize_t count = ::read(fd.get(), piece, sizeof piece);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return std::nullopt;
        if (count == 0)
            break;
        bytes.append(piece, static_cast<std::size_t>(count));
    }
    if (bytes.size() > readLimit) {
        // Keep the whole lines within the limit; the line the limit cuts
        // through is not known and so is not applied.
        bytes.resize(readLimit);
        const std::size_t lastLineEnd = bytes.rfind('\n');
        bytes.resize(lastLineEnd == std::string::npos ? 0 : lastLineEnd + 1);
    }
    return bytes;
}

bool writeFile(const std::string& utf8Text)
{
    QStringEncoder encoder(encodingName, QStringEncoder::Flag::Stateless);
    if (!encoder.isValid())
        return false;
    const QByteArray bytes = encoder.encode(QString::fromUtf8(utf8Text));
    if (encoder.hasError())
        return false;

    const Entry entry = findFile();
    const Way way = judge(entry).way;
    if (way == Way::Leave)
        return false;
    // A file without any write permission was made read-only on purpose: it
    // keeps its content, also for a user such as root whom the system would
    // let write it anyway.
    if (entry.status && !(entry.status->st_mode & 0222))
        return false;
    if (way == Way::RewriteInPlace)
        return rewriteInPlace(entry.folder.get(), entry.name, bytes, true);
    if (replace(entry.folder.get(), entry.name, entry.status, bytes))
        return true;
    // The folder takes no new file (a shared folder, one made read-only), but
    // the file itself may still be writable.
    return entry.status && rewriteInPlace(entry.folder.get(), entry.name, bytes, false);
}

std::string whyOptionsAreNotKept() { return judge(findFile()).why; }

bool save(bool moveNumbers, bool icons, bool music, const std::function<bool(const std::string&)>& write)
{
    return write(fileText(moveNumbers, icons, music)) || write(fileText(false, true, false));
}

}  // namespace korvalo::settings
