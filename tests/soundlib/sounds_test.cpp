// The game's four generated sounds, and the sound module with the real
// library: start-up as the game does it, in the folder the game runs in.
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>

#include "platform/recording/recording_platform.h"
#include "sound/dll_loader.h"
#include "sound/module1.h"
#include "sound/wave_builder.h"
#include "sound/wave_image.h"
#include "soundlib/disk_audio.h"

namespace korvalo {
namespace {

using namespace korvalo::testing;

const std::filesystem::path playFolder = KORVALO_PLAY_DIR;

struct Sound {
    int rate = 0;
    std::vector<double> samples;  // -1 .. 1

    double seconds() const { return static_cast<double>(samples.size()) / rate; }
    double peak() const
    {
        double most = 0;
        for (double v : samples)
            most = std::max(most, std::abs(v));
        return most;
    }
    double energy(std::size_t begin, std::size_t end) const
    {
        double sum = 0;
        for (std::size_t i = begin; i < end && i < samples.size(); ++i)
            sum += samples[i] * samples[i];
        return sum;
    }
    // Sign changes per second: about twice the frequency of a plain tone.
    double crossingsPerSecond() const
    {
        int crossings = 0;
        for (std::size_t i = 1; i < samples.size(); ++i)
            crossings += (samples[i - 1] < 0) != (samples[i] < 0);
        return crossings / seconds();
    }
};

// Reads a generated file: it must be a whole 16-bit mono PCM wave image.
Sound readSound(const std::string& name)
{
    std::ifstream in(playFolder / name, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    WaveLayout layout;
    std::string why;
    Sound sound;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    EXPECT_TRUE(checkWaveImage(data, bytes.size(), &why, &layout)) << name << ": " << why;
    EXPECT_EQ(layout.imageSize, bytes.size()) << name;
    EXPECT_EQ(layout.formatTag, 1) << name;
    EXPECT_EQ(layout.channels, 1) << name;
    EXPECT_EQ(layout.bitsPerSample, 16) << name;
    sound.rate = static_cast<int>(layout.sampleRate);
    for (std::size_t i = 0; i + 1 < layout.dataSize; i += 2) {
        const auto lo = data[layout.dataOffset + i];
        const auto hi = data[layout.dataOffset + i + 1];
        sound.samples.push_back(static_cast<int16_t>(lo | hi << 8) / 32768.0);
    }
    return sound;
}

TEST(GameSounds, EachIsAWholeWaveThatNeitherClipsNorStartsOrEndsWithAStep)
{
    for (const char* name : {"その他.wav", "禁止.wav", "石打音.wav", "BGM.wav"}) {
        SCOPED_TRACE(name);
        const Sound s = readSound(name);
        ASSERT_GT(s.samples.size(), 100u);
        EXPECT_GT(s.peak(), 0.3);
        EXPECT_LT(s.peak(), 0.99);
        if (std::string(name) != "BGM.wav") {
            EXPECT_LT(std::abs(s.samples.front()), 0.01);
            EXPECT_LT(std::abs(s.samples.back()), 0.01);
        }
    }
}

TEST(GameSounds, EffectsAreShortAndOfTheirKind)
{
    const Sound chime = readSound("その他.wav");
    const Sound buzz = readSound("禁止.wav");
    const Sound click = readSound("石打音.wav");
    EXPECT_GE(chime.seconds(), 0.3);
    EXPECT_LE(chime.seconds(), 1.5);
    EXPECT_GE(buzz.seconds(), 0.1);
    EXPECT_LE(buzz.seconds(), 0.6);
    EXPECT_LE(click.seconds(), 0.15);
    // The chime is bright, the buzz low.
    EXPECT_GT(chime.crossingsPerSecond(), 1600);
    EXPECT_LT(buzz.crossingsPerSecond(), 500);
    // The click is crisp: nearly all of it in the first 30 ms.
    EXPECT_GT(click.energy(0, click.rate * 3 / 100), 0.9 * click.energy(0, click.samples.size()));
}

TEST(GameSounds, TheMusicLoopsWithoutAClickAtTheSeam)
{
    const Sound bgm = readSound("BGM.wav");
    EXPECT_GE(bgm.seconds(), 4);
    EXPECT_LE(bgm.seconds(), 40);
    // Across the seam the wave moves no more than it does from one sample to
    // the next anywhere inside, in value and in slope.
    const auto& s = bgm.samples;
    const std::size_t n = s.size();
    double largestStep = 0;
    double largestBend = 0;
    for (std::size_t i = 2; i < n; ++i) {
        largestStep = std::max(largestStep, std::abs(s[i] - s[i - 1]));
        largestBend = std::max(largestBend, std::abs(s[i] - 2 * s[i - 1] + s[i - 2]));
    }
    EXPECT_LE(std::abs(s[0] - s[n - 1]), largestStep);
    EXPECT_LE(std::abs(s[0] - 2 * s[n - 1] + s[n - 2]), largestBend);
    EXPECT_LE(std::abs(s[1] - 2 * s[0] + s[n - 1]), largestBend);
    // The music is not silent at the seam either: it runs on through it.
    EXPECT_GT(bgm.energy(0, bgm.rate / 2), 0.01 * bgm.energy(0, n) / bgm.seconds());
}

// Start-up of the sounds as the game does it, with the real library on the
// disk driver and the generated files in the working folder.
TEST(GameSounds, StartUpMakesFourBuffersAndTheMusicPlays)
{
    TemporaryFolder folder;
    const std::string output = (folder.path() / "output.raw").string();
    useAudioDriver("disk", output);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(playFolder);

    std::string error;
    auto lib = loadSoundLibrary(programDirectory(), &error);
    ASSERT_NE(lib, nullptr) << error;
    RecordingPlatform ui;
    Module1 module(ui, lib.get());
    module.soundInit(0);
    const int32_t other = module.soundLoad("その他.wav", 3);
    const int32_t forbidden = module.soundLoad("禁止.wav", 3);
    const int32_t stone = module.soundLoad("石打音.wav", 3);
    const int32_t bgm = module.soundLoad("BGM.wav", 1);
    std::filesystem::current_path(previous);
    EXPECT_TRUE(ui.lines.empty()) << ui.lines.front();
    ASSERT_NE(module.soundLibHandle(), 0);
    const std::vector<int32_t> handles = {other, forbidden, stone, bgm};
    for (int32_t h : handles)
        EXPECT_NE(h, 0);
    EXPECT_EQ(std::set<int32_t>(handles.begin(), handles.end()).size(), 4u);

    EXPECT_EQ(lib->dsPlayLooping(bgm), 1);
    // Half a second of music at 16-bit stereo is some 88 000 bytes.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::filesystem::file_size(output) < 200000 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    for (int32_t h : handles)
        EXPECT_EQ(lib->dsFree(h), 1);
    module.soundTerm();
    EXPECT_EQ(module.soundLibHandle(), 0);

    std::ifstream in(output, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), 200000u);
    EXPECT_NE(bytes.find_first_not_of('\0'), std::string::npos) << "the music was not heard";
}

// A player's own music of twenty minutes, 24-bit mono at 48 kHz, written a
// second at a time: a 1 kHz tone, silent for its last half second.
void writeLongMusic(const std::filesystem::path& file, uint32_t seconds)
{
    constexpr uint32_t rate = 48000;
    std::string header = riffWave(chunk("fmt ", fmtBody(1, rate, 24)) + "data");
    put32(header, rate * 3 * seconds);
    set32(header, 4, static_cast<uint32_t>(header.size() - 8 + rate * 3 * seconds));
    std::string tone, quiet(rate * 3 / 2, '\0');
    for (uint32_t i = 0; i < rate; ++i) {
        const auto v = static_cast<int32_t>(std::lround(4000000 * std::sin(2 * std::numbers::pi * i / 48)));
        tone += {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF), static_cast<char>(v >> 16 & 0xFF)};
    }
    std::ofstream out(file, std::ios::binary);
    out << header;
    for (uint32_t second = 0; second + 1 < seconds; ++second)
        out << tone;
    out << tone.substr(0, tone.size() / 2) << quiet;
}

TEST(GameSounds, TwentyMinutesOfAPlayersOwnMusicLoadAndLoopAtTheirLength)
{
    TemporaryFolder folder;
    constexpr uint32_t seconds = 20 * 60;
    writeLongMusic(folder.path() / "BGM.wav", seconds);
    const auto fileBytes = static_cast<int64_t>(std::filesystem::file_size(folder.path() / "BGM.wav"));
    const std::string output = (folder.path() / "output.raw").string();
    useAudioDriver("disk", output);
    std::string error;
    auto lib = loadSoundLibrary(programDirectory(), &error);
    ASSERT_NE(lib, nullptr) << error;
    RecordingPlatform ui;
    Module1 module(ui, lib.get());
    module.soundInit(0);
    int rate = 0, channels = 0;
    Uint16 format = 0;
    ASSERT_NE(Mix_QuerySpec(&rate, &format, &channels), 0);

    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    rusage before {};
    getrusage(RUSAGE_SELF, &before);
    const auto started = std::chrono::steady_clock::now();
    const int32_t bgm = module.soundLoad("BGM.wav", 1);
    const double loadSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    rusage after {};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_TRUE(ui.lines.empty()) << ui.lines.front();
    ASSERT_NE(bgm, 0);
    ASSERT_EQ(lib->dsPlayLooping(bgm), 1);
    const auto playedAt = static_cast<int64_t>(std::filesystem::file_size(output));
    const int64_t frameBytes = 2 * channels;
    const int64_t grownBytes = (after.ru_maxrss - before.ru_maxrss) * 1024;
    std::printf("20 min of 24-bit mono at 48 kHz: %lld bytes, loaded as music in %.2f s; peak memory grew by %lld "
                "bytes\n",
                static_cast<long long>(fileBytes), loadSeconds, static_cast<long long>(grownBytes));
#if !defined(__SANITIZE_ADDRESS__)
    // No converted copy in stereo and no decoded copy: the file as read and
    // the music in one channel, and little besides.
    const int64_t monoBytes = int64_t{seconds} * rate * 2;
    EXPECT_LE(grownBytes, fileBytes + monoBytes + (int64_t{24} << 20));
#endif

    // It plays: two seconds of it are heard (the device has been writing
    // silence while it loaded).
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (static_cast<int64_t>(std::filesystem::file_size(output)) < playedAt + 2 * rate * frameBytes &&
           std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(lib->dsFree(bgm), 1);

    // Converted in full to the device's channels, as an effect is, it has
    // the file's length.
    const int32_t whole = module.soundLoad("BGM.wav", 3);
    std::filesystem::current_path(previous);
    ASSERT_NE(whole, 0);
    ASSERT_EQ(lib->dsPlayLooping(whole), 1);
    const Mix_Chunk* loop = playingChunk();
    ASSERT_NE(loop, nullptr);
    const int64_t frames = loop->alen / frameBytes;
    // Its length to a millisecond, so each round of the loop lasts as long as
    // the file.
    EXPECT_NEAR(static_cast<double>(frames), static_cast<double>(seconds) * rate, rate / 1000.0);
    // At the right pitch: 1 kHz is 2000 sign changes a second.
    const auto* samples = reinterpret_cast<const int16_t*>(loop->abuf);
    int crossings = 0;
    for (int64_t i = 1; i < rate; ++i)
        crossings += (samples[i * channels] < 0) != (samples[(i - 1) * channels] < 0);
    EXPECT_NEAR(crossings, 2000, 4);
    // The silent last half second is where the file has it.
    EXPECT_NE(samples[(frames - rate / 2 - 100) * channels], 0);
    EXPECT_EQ(samples[(frames - rate / 2 + 100) * channels], 0);
    EXPECT_EQ(lib->dsFree(whole), 1);
    module.soundTerm();

    // The music was heard at its pitch from its first sample.
    std::ifstream in(output, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto sampleAt = [&](std::size_t frame) {
        const std::size_t at = frame * static_cast<std::size_t>(frameBytes);
        return static_cast<int16_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8);
    };
    std::size_t onset = 0;
    while ((onset + 1) * static_cast<std::size_t>(frameBytes) <= bytes.size() && sampleAt(onset) == 0)
        ++onset;
    ASSERT_LE((onset + static_cast<std::size_t>(rate)) * static_cast<std::size_t>(frameBytes), bytes.size())
        << "the music was not heard for a second";
    int heardCrossings = 0;
    for (std::size_t i = onset + 1; i < onset + static_cast<std::size_t>(rate); ++i)
        heardCrossings += (sampleAt(i) < 0) != (sampleAt(i - 1) < 0);
    EXPECT_NEAR(heardCrossings, 2000, 4);
}

TEST(GameSounds, WithoutADeviceStartUpWarnsOnceAndEveryHandleIsZero)
{
    useAudioDriver("korvalo-no-such-driver");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(playFolder);
    std::string error;
    auto lib = loadSoundLibrary(programDirectory(), &error);
    ASSERT_NE(lib, nullptr) << error;
    RecordingPlatform ui;
    Module1 module(ui, lib.get());
    module.soundInit(0);
    const std::vector<int32_t> handles = {module.soundLoad("その他.wav", 3), module.soundLoad("禁止.wav", 3),
                                          module.soundLoad("石打音.wav", 3), module.soundLoad("BGM.wav", 1)};
    module.soundTerm();
    std::filesystem::current_path(previous);
    EXPECT_EQ(handles, (std::vector<int32_t>{0, 0, 0, 0}));
    EXPECT_EQ(ui.lines, std::vector<std::string>{
                            "msgbox \"Direct Soundインターフェースが作成できません。\" \"Korvalo.dll\" OK exclamation -> OK"});
}

}  // namespace
}  // namespace korvalo
