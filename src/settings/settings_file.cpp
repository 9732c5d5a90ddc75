#include "settings/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QVarLengthArray>

#include <iterator>

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

// The file to write: Korvalo.ini itself, or the file its link points to,
// through any chain of links, as an editor saves it (the link stays a link).
// A link to a place whose folder does not exist gives nothing.
QString writtenPath()
{
    QFileInfo info(name());
    for (int depth = 0; info.isSymLink(); ++depth) {
        if (depth == maxLinkDepth)
            return {};
        info.setFile(info.symLinkTarget());
    }
    if (!info.exists() && !info.dir().exists())
        return {};
    return info.filePath();
}

// Replaces the file at path: the new content is written beside it and
// renamed over it, so a failure at any point leaves the old file whole.
bool replace(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Without commit() the new content is thrown away and the old file stays.
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

// Rewrites the existing regular file at path in place. It is opened without
// truncation (and without waiting, should it have become a pipe); the whole
// content is written over the old and flushed, and only then is the file cut
// to its new length, so a write that fails never leaves it cut short.
bool rewriteInPlace(const QString& path, const QByteArray& bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status {};
    QFile file;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
        !file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return file.write(bytes) == bytes.size() && file.flush() && file.resize(bytes.size());
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
    // device under this name could block or never end.
    if (!QFileInfo(name()).isFile())
        return std::nullopt;
    QFile file(name());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return std::nullopt;
    // Read piece by piece up to one byte past the limit, so the three short
    // lines of a real file cost a buffer of their size, not of the limit.
    QByteArray bytes;
    char piece[4096];
    while (static_cast<std::size_t>(bytes.size()) <= readLimit) {
        const qint64 count = file.read(piece, sizeof piece);
        if (count < 0)
            return std::nullopt;
        if (count == 0)
            break;
        bytes.append(piece, static_cast<qsizetype>(count));
    }
    if (static_cast<std::size_t>(bytes.size()) > readLimit) {
        // Keep the whole lines within the limit; the line the limit cuts
        // through is not known and so is not applied.
        bytes.truncate(static_cast<qsizetype>(readLimit));
        bytes.truncate(bytes.lastIndexOf('\n') + 1);
    }
    return bytes.toStdString();
}

bool writeFile(const std::string& utf8Text)
{
    QStringEncoder encoder(encodingName, QStringEncoder::Flag::Stateless);
    if (!encoder.isValid())
        return false;
    const QByteArray bytes = encoder.encode(QString::fromUtf8(utf8Text));
    if (encoder.hasError())
        return false;

    const QString target = writtenPath();
    if (target.isEmpty())
        return false;
    const QFileInfo info(target);
    // A file without any write permission was made read-only on purpose: it
    // keeps its content, also for a user such as root whom the system would
    // let write it anyway.
    constexpr auto writable = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (info.exists() && !(info.permissions() & writable))
        return false;
    if (replace(target, bytes))
        return true;
    // The folder takes no new file (a shared folder, one made read-only), but
    // the file itself may still be writable.
    return info.isFile() && rewriteInPlace(target, bytes);
}

bool save(bool moveNumbers, bool icons, bool music, const std::function<bool(const std::string&)>& write)
{
    return write(fileText(moveNumbers, icons, music)) || write(fileText(false, true, false));
}

}  // namespace korvalo::settings
