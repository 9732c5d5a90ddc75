#pragma once
// The sound library as the real program uses it: the music, which a player
// may replace with half an hour of their own, is made on a thread of its own
// so that its conversion never holds up the window. Everything else is passed
// straight to the library.
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "sound/ds_library.h"

namespace korvalo {

class BackgroundMusicLibrary : public DsLibrary {
public:
    explicit BackgroundMusicLibrary(std::unique_ptr<DsLibrary> library) : lib_(std::move(library)) {}
    ~BackgroundMusicLibrary() override;
    BackgroundMusicLibrary(const BackgroundMusicLibrary&) = delete;
    BackgroundMusicLibrary& operator=(const BackgroundMusicLibrary&) = delete;

    void openAhead() override { lib_->openAhead(); }
    int32_t dsInitialize(int32_t window) override { return lib_->dsInitialize(window); }
    int32_t dsCreateDSB(int32_t library, const void* image, int32_t flags, const std::string& sourceName) override
    {
        return lib_->dsCreateDSB(library, image, flags, sourceName);
    }
    // Music (a flag word without the effect bit) answers a handle of its own
    // at once and is made in the background; what the game asks of that
    // handle meanwhile (loop, stop, free) is done when it is ready.
    int32_t createBuffer(int32_t library, const QByteArray& image, int32_t flags,
                         const std::string& sourceName) override;
    int32_t dsPlay(int32_t buffer) override;
    int32_t dsPlayLooping(int32_t buffer) override;
    int32_t dsStop(int32_t buffer) override;
    int32_t dsFree(int32_t buffer) override;
    // Closes the library, which stops the making of music still under way,
    // and then waits for the music's thread.
    int32_t dsTerminate(int32_t library) override;

    // The handle answered for music made in the background; the library's
    // own handles are far below it.
    static constexpr int32_t musicHandle = 0x4B4D0001;

private:
    void finish();

    // The music in the making.
    struct Music {
        bool made = false;    // the library has answered
        int32_t handle = 0;   // its answer
        bool looping = false; // what the game asked for meanwhile
        bool freed = false;
        bool closed = false;  // the library has been closed: nothing more is asked of it
    };

    std::unique_ptr<DsLibrary> lib_;
    std::mutex mutex_;
    Music music_;
    bool making_ = false;  // musicHandle is in use
    std::thread maker_;
};

}  // namespace korvalo
