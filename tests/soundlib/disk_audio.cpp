#include "soundlib/disk_audio.h"

#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "sound/dll_loader.h"
#include "sound/wave_builder.h"

namespace korvalo::testing {

void useAudioDriver(const std::string& driver, const std::string& outputFile)
{
    setenv("SDL_AUDIODRIVER", driver.c_str(), 1);
    if (!outputFile.empty())
        setenv("SDL_DISKAUDIOFILE", outputFile.c_str(), 1);
    // The disk driver normally paces itself like a sound card, pausing a
    // whole period (about 23 ms) after each; 5 ms makes it run some four times
    // faster, which keeps the tests short while a test thread held up for a
    // moment still falls well inside the sounds it plays.
    setenv("SDL_DISKAUDIODELAY", "5", 1);
}

TemporaryFolder::TemporaryFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "korvalo-sound-XXXXXX").string();
    if (mkdtemp(pattern.data()))
        path_ = pattern;
}

TemporaryFolder::~TemporaryFolder()
{
    std::error_code ignored;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ignored);
}

DiskAudio::DiskAudio()
{
    if (folder_.path().empty()) {
        error_ = "no temporary folder";
        return;
    }
    output_ = folder_.path() / "output.raw";
    useAudioDriver("disk", output_.string());
    library_ = loadSoundLibrary(programDirectory(), &error_);
    if (!library_)
        return;
    handle_ = library_->dsInitialize(0);
    if (handle_ == 0) {
        error_ = "dsInitialize answered 0 on the disk driver";
        return;
    }
    Mix_QuerySpec(&rate_, &format_, &channels_);
}

DiskAudio::~DiskAudio()
{
    if (ok())
        library_->dsTerminate(handle_);
}

int64_t DiskAudio::framesWritten() const
{
    std::error_code failed;
    const auto bytes = std::filesystem::file_size(output_, failed);
    if (failed || channels_ == 0)
        return 0;
    return static_cast<int64_t>(bytes) / (2 * channels_);
}

bool DiskAudio::waitUntil(int64_t frames) const
{
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (framesWritten() < frames) {
        if (std::chrono::steady_clock::now() > giveUp) {
            ADD_FAILURE() << "the disk audio driver stopped writing at frame " << framesWritten();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

DiskAudio::Window DiskAudio::call(const std::function<void()>& action)
{
    Window window;
    window.from = framesWritten();
    action();
    window.to = framesWritten() + latency();
    return window;
}

void DiskAudio::atOnce(const std::function<void()>& action)
{
    // The mixer's device is the one open and playing; the library's calls
    // lock it again on this thread, which SDL allows.
    SDL_AudioDeviceID device = 0;
    for (SDL_AudioDeviceID id = 1; id < 16 && device == 0; ++id)
        if (SDL_GetAudioDeviceStatus(id) == SDL_AUDIO_PLAYING)
            device = id;
    ASSERT_NE(device, 0u) << "no audio device is playing";
    SDL_LockAudioDevice(device);
    action();
    SDL_UnlockAudioDevice(device);
}

int32_t DiskAudio::makeBuffer(const std::vector<int16_t>& samples, int32_t flags)
{
    const std::string image = pcmWave(samples, static_cast<uint32_t>(rate_), 1);
    return library_->dsCreateDSB(handle_, image.data(), flags, "test");
}

std::vector<int16_t> DiskAudio::finish()
{
    std::vector<std::vector<int16_t>> all = finishChannels();
    return all.empty() ? std::vector<int16_t>{} : std::move(all.front());
}

std::vector<std::vector<int16_t>> DiskAudio::finishChannels()
{
    if (ok())
        library_->dsTerminate(handle_);
    handle_ = 0;
    std::ifstream in(output_, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::vector<int16_t>> out(static_cast<std::size_t>(channels_));
    const std::size_t frameBytes = 2 * static_cast<std::size_t>(channels_);
    for (std::size_t at = 0; frameBytes && at + frameBytes <= bytes.size(); at += frameBytes)
        for (std::size_t c = 0; c < out.size(); ++c) {
            const auto lo = static_cast<unsigned char>(bytes[at + 2 * c]);
            const auto hi = static_cast<unsigned char>(bytes[at + 2 * c + 1]);
            out[c].push_back(static_cast<int16_t>(lo | hi << 8));
        }
    return out;
}

const Mix_Chunk* playingChunk()
{
    const Mix_Chunk* found = nullptr;
    for (int channel = 0; channel < Mix_AllocateChannels(-1); ++channel) {
        if (!Mix_Playing(channel))
            continue;
        if (found)
            return nullptr;
        found = Mix_GetChunk(channel);
    }
    return found;
}

std::pair<std::size_t, std::size_t> soundingSpan(const std::vector<int16_t>& out)
{
    std::size_t begin = 0;
    while (begin < out.size() && out[begin] == 0)
        ++begin;
    if (begin == out.size())
        return {out.size(), out.size()};
    std::size_t end = out.size();
    while (out[end - 1] == 0)
        --end;
    return {begin, end};
}

std::size_t silentSamples(const std::vector<int16_t>& out, std::size_t begin, std::size_t end)
{
    std::size_t n = 0;
    for (std::size_t i = begin; i < end && i < out.size(); ++i)
        n += out[i] == 0;
    return n;
}

std::vector<int16_t> tone(int64_t frames, int16_t amplitude, int halfPeriod)
{
    std::vector<int16_t> s(static_cast<std::size_t>(frames));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = (i / halfPeriod) % 2 ? static_cast<int16_t>(-amplitude) : amplitude;
    return s;
}

std::vector<int16_t> ramp(int64_t frames)
{
    std::vector<int16_t> s(static_cast<std::size_t>(frames));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<int16_t>(1000 + 15000 * i / s.size());
    return s;
}

}  // namespace korvalo::testing
