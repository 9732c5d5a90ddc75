#include "app/user_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace korvalo {

namespace {

// The folder the installation keeps the sounds in, seen from the program's
// own folder; in the build folder, the play folder beside the program.
QString installedSounds()
{
    const QDir program(QCoreApplication::applicationDirPath());
    for (const char* relative : {KORVALO_SOUNDS_FROM_PROGRAM, "play"}) {
        const QString folder = program.filePath(QString::fromUtf8(relative));
        if (QFile::exists(folder + QStringLiteral("/BGM.wav")))
            return QDir::cleanPath(folder);
    }
    return {};
}

}  // namespace

bool enterUserFolder(QString* error)
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty()) {
        *error = QStringLiteral("このユーザーのデータフォルダーがありません");
        return false;
    }
    const QString folder = dataHome + QStringLiteral("/korvalo");
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("フォルダー %1 を作れません").arg(folder);
        return false;
    }
    // Sounds missing from the user's folder come from the installation; the
    // user's own copies are never replaced.
    const QString sounds = installedSounds();
    const QDir installed(sounds);
    for (const char* name : {"その他.wav", "禁止.wav", "石打音.wav", "BGM.wav"}) {
        const QString file = QString::fromUtf8(name);
        const QString target = folder + QLatin1Char('/') + file;
        if (!sounds.isEmpty() && !QFile::exists(target) && installed.exists(file))
            QFile::copy(installed.filePath(file), target);
    }
    if (!QDir::setCurrent(folder)) {
        *error = QStringLiteral("フォルダー %1 に入れません").arg(folder);
        return false;
    }
    return true;
}

}  // namespace korvalo
