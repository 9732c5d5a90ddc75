#pragma once
// A fresh working folder for the lifetime of the object, in memory where the
// system offers a memory file system: every option switch rewrites
// Korvalo.ini and syncs it to disk, and a thousand games must not wait on
// the disk.
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace korvalo::testing {

class MemoryWorkingFolder {
public:
    MemoryWorkingFolder() : dir_(pattern()), previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~MemoryWorkingFolder() { QDir::setCurrent(previous_); }
    MemoryWorkingFolder(const MemoryWorkingFolder&) = delete;
    MemoryWorkingFolder& operator=(const MemoryWorkingFolder&) = delete;

    bool isValid() const { return dir_.isValid(); }
    QString path() const { return dir_.path(); }

private:
    static QString pattern()
    {
        const QFileInfo shm("/dev/shm");
        const QString base = shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
        return base + "/korvalo-XXXXXX";
    }

    QTemporaryDir dir_;
    QString previous_;
};

}  // namespace korvalo::testing
