#pragma once
// Runs Korvalo.dll against SDL's "disk" audio driver, which writes the mixed
// output to a file instead of a sound card, so tests can read back exactly
// what would have been heard.
#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sound/ds_library.h"

namespace korvalo::testing {

// Sets the SDL audio driver for libraries started from now on; "disk" sends
// the output to `outputFile`.
void useAudioDriver(const std::string& driver, const std::string& outputFile = {});

// A fresh temporary folder, removed with its contents at the end.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Korvalo.dll loaded from beside the test program and started on the disk
// driver. Sample positions are in output frames, counted from the moment the
// device opened.
class DiskAudio {
public:
    // Loads and starts the library; ok() tells whether that worked.
    DiskAudio();
    ~DiskAudio();

    bool ok() const { return library_ && handle_ != 0; }
    std::string error() const { return error_; }
    DsLibrary& lib() { return *library_; }
    int32_t handle() const { return handle_; }
    int rate() const { return rate_; }
    int channels() const { return channels_; }
    Uint16 format() const { return format_; }

    // Frames the device has written so far.
    int64_t framesWritten() const;
    // Waits until the device has written `frames` frames. Fails the test and
    // returns false if that takes longer than several seconds.
    bool waitUntil(int64_t frames) const;
    // Waits for `seconds` more output.
    bool waitFor(double seconds) const { return waitUntil(framesWritten() + framesOf(seconds)); }
    int64_t framesOf(double seconds) const { return static_cast<int64_t>(seconds * rate_); }
    // How late after a call its effect may first be heard: a couple of the
    // mixer's periods.
    int64_t latency() const { return 4096; }

    // The output frames within which the effect of a call begins: from what
    // was written before the call to a latency after what was written when
    // it returned. Measured on both sides, so a test thread that is held up
    // does not make the window wrong, only wider.
    struct Window {
        int64_t from = 0;
        int64_t to = 0;
        bool holds(int64_t frame) const { return frame >= from && frame <= to; }
    };
    Window call(const std::function<void()>& action);
    // Runs the calls with the mixer held, so that all of them take effect
    // at the same output frame.
    void atOnce(const std::function<void()>& action);

    // Makes a buffer from 16-bit mono samples at the device's own rate, so
    // the output carries them unchanged.
    int32_t makeBuffer(const std::vector<int16_t>& samples, int32_t flags);

    // Closes the library and returns the first channel of everything written.
    std::vector<int16_t> finish();
    // Closes the library and returns every channel of everything written.
    std::vector<std::vector<int16_t>> finishChannels();

private:
    TemporaryFolder folder_;
    std::filesystem::path output_;
    std::unique_ptr<DsLibrary> library_;
    std::string error_;
    int32_t handle_ = 0;
    int rate_ = 0;
    int channels_ = 0;
    Uint16 format_ = 0;
};

// The samples of the one sound the mixer plays now; null when none or more
// than one play.
const Mix_Chunk* playingChunk();

// Index of the first and one past the last sample that is not zero;
// {size, size} when all are zero.
std::pair<std::size_t, std::size_t> soundingSpan(const std::vector<int16_t>& out);
// Number of zero samples in out[begin, end).
std::size_t silentSamples(const std::vector<int16_t>& out, std::size_t begin, std::size_t end);

}  // namespace korvalo::testing
