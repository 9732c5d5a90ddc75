#include "sound/background_music.h"

namespace korvalo {

namespace {

// Bit 1 of the flag word marks a short effect; the music is made without it.
constexpr int32_t effectFlag = 2;

}  // namespace

BackgroundMusicLibrary::~BackgroundMusicLibrary() { finish(); }

void BackgroundMusicLibrary::finish()
{
    if (maker_.joinable())
        maker_.join();
}

int32_t BackgroundMusicLibrary::createBuffer(int32_t library, const QByteArray& image, int32_t flags,
                                             const std::string& sourceName)
{
    if ((flags & effectFlag) != 0 || making_)
        return lib_->createBuffer(library, image, flags, sourceName);
    making_ = true;
    // The thread holds a share of the bytes, no copy, until the library is
    // done with them.
    maker_ = std::thread([this, library, image, flags, sourceName] {
        const int32_t handle = lib_->dsCreateDSB(library, image.constData(), flags, sourceName);
        const std::lock_guard<std::mutex> lock(mutex_);
        music_.made = true;
        music_.handle = handle;
        if (music_.closed)
            return;
        if (handle != 0 && music_.freed)
            lib_->dsFree(handle);
        else if (handle != 0 && music_.looping)
            lib_->dsPlayLooping(handle);
    });
    return musicHandle;
}

int32_t BackgroundMusicLibrary::dsPlay(int32_t buffer)
{
    if (buffer != musicHandle || !making_)
        return lib_->dsPlay(buffer);
    const std::lock_guard<std::mutex> lock(mutex_);
    // Played once before it exists: too late to be heard as meant.
    return music_.made && !music_.freed ? lib_->dsPlay(music_.handle) : 0;
}

int32_t BackgroundMusicLibrary::dsPlayLooping(int32_t buffer)
{
    if (buffer != musicHandle || !making_)
        return lib_->dsPlayLooping(buffer);
    const std::lock_guard<std::mutex> lock(mutex_);
    if (music_.freed)
        return 0;
    if (music_.made)
        return lib_->dsPlayLooping(music_.handle);
    music_.looping = true;
    return 1;
}

int32_t BackgroundMusicLibrary::dsStop(int32_t buffer)
{
    if (buffer != musicHandle || !making_)
        return lib_->dsStop(buffer);
    const std::lock_guard<std::mutex> lock(mutex_);
    if (music_.freed)
        return 0;
    if (music_.made)
        return lib_->dsStop(music_.handle);
    music_.looping = false;
    return 1;
}

int32_t BackgroundMusicLibrary::dsFree(int32_t buffer)
{
    if (buffer != musicHandle || !making_)
        return lib_->dsFree(buffer);
    const std::lock_guard<std::mutex> lock(mutex_);
    if (music_.freed)
        return 0;
    music_.freed = true;
    return music_.made ? lib_->dsFree(music_.handle) : 1;
}

int32_t BackgroundMusicLibrary::dsTerminate(int32_t library)
{
    // The library is reached before the thread is waited for: closing it
    // stops a conversion that is still running (half an hour of music takes
    // seconds), so the program ends at once. The music's buffer, if it was
    // made just before, goes with every other buffer; the thread asks
    // nothing more of the library.
    int32_t closed = 0;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        music_.closed = true;
        closed = lib_->dsTerminate(library);
    }
    finish();
    return closed;
}

}  // namespace korvalo
