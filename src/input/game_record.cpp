#include "input/game_record.h"

#include <QDateTime>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "input/input.h"
#include "log/log.h"

namespace korvalo {

namespace {

// Why a write failed, by the system's error number, in the words a window
// shows.
QString writeErrorForWindow(int error)
{
    switch (error) {
    case ENOSPC: return QStringLiteral("ディスクがいっぱいです");
    case EDQUOT: return QStringLiteral("ディスクの割り当てを使い切りました");
    case EIO: return QStringLiteral("ディスクの読み書きの障害です");
    case EROFS: return QStringLiteral("書き込めないディスクです");
    case EFBIG: return QStringLiteral("ファイルが大きくなりすぎました");
    case EACCES:
    case EPERM: return QStringLiteral("書く権限がありません");
    case ENOENT:
    case ESTALE: return QStringLiteral("ファイルがなくなりました");
    default: return QStringLiteral("書き込めません (エラー番号 %1)").arg(error);
    }
}

// path with -N before its suffix, in the same folder. A name's leading dot
// does not start a suffix.
std::string numbered(const std::string& path, int n)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart)
        dot = path.size();
    return path.substr(0, dot) + '-' + std::to_string(n) + path.substr(dot);
}

}  // namespace

GameRecord::~GameRecord()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool GameRecord::open(const std::string& path, std::string* opened, std::string* error)
{
    struct stat status {};
    if (path.empty() || path.back() == '/' || (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode))) {
        *error = "a folder is no file to record into";
        return false;
    }
    constexpr int tries = 1000;
    for (int n = 0; n < tries; ++n) {
        const std::string name = n == 0 ? path : numbered(path, n);
        // Made only when nothing has the name, not even a dangling link, in
        // one step with the test.
        fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            name_ = *opened = name;
            const QString when = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
            if (!write(recordingHeader(when.toStdString()) + "\n")) {
                *error = failure_;
                return false;
            }
            return true;
        }
        if (errno != EEXIST) {
            *error = std::strerror(errno);
            return false;
        }
    }
    *error = "every numbered name up to " + numbered(path, tries - 1) + " is taken";
    return false;
}

void GameRecord::begin()
{
    answers_.clear();
    squares_.clear();
}

void GameRecord::computerChose(int column, int row)
{
    squares_ += computerLine(column, row) + "\n";
}

void GameRecord::answered(Answer answer)
{
    answers_.push_back(answer);
}

void GameRecord::handled(const std::string& line)
{
    // The squares and the answers of one input both come before it; a
    // handler may have both (the last move of a game and its question).
    std::string text = std::move(squares_);
    squares_.clear();
    if (!answers_.empty())
        text += answerLine(answers_) + "\n";
    answers_.clear();
    text += line + "\n";
    if (failed_ || write(text))
        return;
    korvalo::log::print("korvalo: the game is no longer recorded: %s: %s\n", name_.c_str(), failure_.c_str());
}

bool GameRecord::takeFailure(QString* why)
{
    if (!failed_ || failureTaken_)
        return false;
    failureTaken_ = true;
    *why = QString::fromLocal8Bit(name_) + QStringLiteral(": ") + failureForWindow_;
    return true;
}

bool GameRecord::write(const std::string& text)
{
    if (fd_ < 0)
        return false;
    auto fail = [this](const std::string& why, const QString& forWindow) {
        failed_ = true;
        failure_ = why;
        failureForWindow_ = forWindow;
        ::close(fd_);
        fd_ = -1;
        return false;
    };
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t wrote = ::write(fd_, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return wrote < 0 ? fail(std::strerror(errno), writeErrorForWindow(errno))
                             : fail("nothing could be written", QStringLiteral("何も書き込めませんでした"));
        done += static_cast<std::size_t>(wrote);
    }
    if (::fdatasync(fd_) != 0)
        return fail(std::strerror(errno), writeErrorForWindow(errno));
    // Written into a file that no longer has a name is as good as lost.
    struct stat status {};
    if (::fstat(fd_, &status) != 0 || status.st_nlink == 0)
        return fail("the file has been removed", QStringLiteral("ファイルが消されました"));
    return true;
}

}  // namespace korvalo
