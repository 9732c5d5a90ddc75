#include "settings/settings_file.h"

#include "settings/file_place.h"

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

// The keys in Shift_JIS, so that the lines the game writes are read without
// opening a Shift_JIS converter: its tables cost the program a megabyte.
constexpr std::string_view keyBytes[] = {
    "\x8e\xe8\x8f\x87\x94\xd4\x8d\x86\x95\x5c\x8e\xa6",  // 手順番号表示
    "\xb1\xb2\xba\xdd\x95\x5c\x8e\xa6",                  // ｱｲｺﾝ表示
    "BGM",
};
static_assert(std::size(keyBytes) == std::size(keys));

constexpr char valueOn[] = "OK";
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

}  // namespace

std::string fileText(const Options& options)
{
    return line(keys[0].text, options.moveNumbers) + line(keys[1].text, options.icons) +
           line(keys[2].text, options.music);
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
        // an error the next line gets a fresh one. The lines the game writes
        // itself need no decoder at all.
        const std::optional<QString> plain = plainLineText(raw);
        QVarLengthArray<QChar, 256> buffer;
        QStringView text;
        bool clean = true;
        if (plain) {
            text = *plain;
        } else {
            if (!decoder || decoder->hasError())
                decoder.emplace(encodingName, QStringDecoder::Flag::Stateless);
            else
                decoder->resetState();
            if (!decoder->isValid())
                return out;
            // Decoded into a buffer on the stack: a settings line is short.
            const QByteArrayView encoded(raw.data(), static_cast<qsizetype>(raw.size()));
            buffer.resize(decoder->requiredSpace(encoded.size()));
            text = QStringView(buffer.data(), decoder->appendToBuffer(buffer.data(), encoded));
            clean = !decoder->hasError();
        }
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

std::optional<QString> plainLineText(std::string_view line)
{
    QString text;
    std::size_t at = 0;
    while (at < line.size()) {
        const auto byte = static_cast<unsigned char>(line[at]);
        // Shift_JIS gives 0x5C and 0x7E other meanings in some of its tables.
        if (byte >= 0x20 && byte < 0x7E && byte != 0x5C) {
            text += QLatin1Char(static_cast<char>(byte));
            ++at;
            continue;
        }
        // Any key begins with a character of its own: after ASCII and whole
        // keys, a key's bytes can only be read as that key.
        std::size_t key = 0;
        while (key < std::size(keyBytes) && line.substr(at, keyBytes[key].size()) != keyBytes[key])
            ++key;
        if (key == std::size(keyBytes))
            return std::nullopt;
        text += keyText(key);
        at += keyBytes[key].size();
    }
    return text;
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

bool save(const Options& options, const std::function<bool(const std::string&)>& write)
{
    return write(fileText(options)) || write(fileText({.moveNumbers = false, .icons = true, .music = false}));
}

}  // namespace korvalo::settings
