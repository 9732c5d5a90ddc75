#include "app/game_record.h"

#include <QDateTime>
#include <QFileInfo>
#include <cstdio>
#include <unistd.h>

#include "script/script_language.h"

namespace korvalo {

namespace {

// path with -N before its suffix, in the same folder.
QString numbered(const QString& path, int n)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder = path.left(slash + 1);
    const QFileInfo info(path.mid(slash + 1));
    QString name = info.completeBaseName() + QLatin1Char('-') + QString::number(n);
    if (!info.suffix().isEmpty())
        name += QLatin1Char('.') + info.suffix();
    return folder + name;
}

bool taken(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

}  // namespace

bool GameRecord::open(const QString& path, QString* opened, QString* error)
{
    constexpr int tries = 1000;
    for (int n = 0; n < tries; ++n) {
        const QString name = n == 0 ? path : numbered(path, n);
        file_.setFileName(name);
        // Made only when it does not exist, in one step with the test.
        if (file_.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            *opened = name;
            const QString when = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
            if (!write(recordingHeader(when.toStdString()) + "\n")) {
                *error = file_.errorString();
                return false;
            }
            return true;
        }
        if (!taken(name)) {
            *error = file_.errorString();
            return false;
        }
    }
    *error = QStringLiteral("every numbered name up to %1 is taken").arg(numbered(path, tries - 1));
    return false;
}

void GameRecord::begin()
{
    answers_.clear();
}

void GameRecord::answered(Answer answer)
{
    answers_.push_back(answer);
}

void GameRecord::handled(const std::string& line)
{
    std::string text;
    if (!answers_.empty())
        text = answerLine(answers_) + "\n";
    answers_.clear();
    text += line + "\n";
    if (!failed_ && !write(text)) {
        failed_ = true;
        std::fprintf(stderr, "korvalo: the game is no longer recorded: %s: %s\n",
                     file_.fileName().toLocal8Bit().constData(), file_.errorString().toLocal8Bit().constData());
    }
}

bool GameRecord::write(const std::string& text)
{
    if (!file_.isOpen())
        return false;
    const qint64 size = static_cast<qint64>(text.size());
    return file_.write(text.data(), size) == size && file_.flush() && ::fdatasync(file_.handle()) == 0;
}

}  // namespace korvalo
