#include "sound/module1.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include "sound/wave_image.h"

namespace korvalo {

void Module1::soundInit(int32_t window)
{
    // Without a loaded library there is nothing to start and nothing to warn
    // about here: the game plays silently and no box holds up start-up.
    if (!lib_)
        return;
    soundLibHandle_ = lib_->dsInitialize(window);
    if (soundLibHandle_ == 0)
        soundWarn("Direct Soundインターフェースが作成できません。");
}

int32_t Module1::soundLoad(const std::string& fileName, int32_t flags)
{
    if (!lib_ || soundLibHandle_ == 0)
        return 0;
    // The bare name is looked up in the working folder.
    const QString name = QString::fromStdString(fileName);
    const QFileInfo info(name);
    if (!info.exists())
        return 0;
    // Opening a pipe would wait for a writer, and a device may never end:
    // only a regular file is read.
    if (!info.isFile()) {
        warnUnreadable(fileName, "通常のファイルではありません。");
        return 0;
    }

    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        warnUnreadable(fileName, "ファイルを開けません（" + file.errorString().toStdString() + "）。");
        return 0;
    }
    // A file larger than any image the library accepts is not read into
    // memory at all.
    if (file.size() > static_cast<qint64>(maxWaveImageBytes)) {
        warnUnreadable(fileName, "ファイルが大きすぎます（" + std::to_string(file.size()) + " バイト）。");
        return 0;
    }
    const QByteArray bytes = file.readAll();
    const bool readFailed = file.error() != QFileDevice::NoError;
    const std::string readError = file.errorString().toStdString();
    file.close();
    if (readFailed) {
        warnUnreadable(fileName, "ファイルを読み込めません（" + readError + "）。");
        return 0;
    }

    // The library is given only the address and trusts the RIFF header for
    // the length, so the header must not claim more than was read.
    std::string why;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    if (!checkWaveImage(data, static_cast<std::size_t>(bytes.size()), &why)) {
        warnUnreadable(fileName, why);
        return 0;
    }
    // The library converts what it keeps; the bytes are released when it is
    // done with them.
    return lib_->createBuffer(soundLibHandle_, bytes, flags, fileName);
}

void Module1::soundTerm()
{
    if (lib_ && soundLibHandle_ != 0)
        lib_->dsTerminate(soundLibHandle_);
    soundLibHandle_ = 0;
}

void Module1::soundWarn(const std::string& text)
{
    ui_.messageBox(text, "Korvalo.dll", Buttons::OK, BoxIcon::Exclamation);
}

void Module1::warnUnreadable(const std::string& fileName, const std::string& why)
{
    soundWarn("サウンドファイル「" + fileName + "」を読み込めません。\n" + why);
}

}  // namespace korvalo
