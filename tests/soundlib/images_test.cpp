// Korvalo.dll for real with the images it is given: every usual PCM format
// plays at its pitch, level and length, images it cannot use are refused
// before they cost anything, and long music takes one converted copy, whose
// making closing the library stops.
#include <SDL_mixer.h>
#include <dlfcn.h>
#include <sys/resource.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <thread>

#include "sound/dll_loader.h"
#include "sound/wave_builder.h"
#include "sound/wave_image.h"
#include "soundlib/disk_audio.h"
#include "soundlib/library_fixture.h"

namespace korvalo {
namespace {

using namespace korvalo::testing;

TEST_F(SoundLibrary, RefusesImagesItCannotUse)
{
    DsLibrary& lib = audio.lib();
    const auto rate = static_cast<uint32_t>(audio.rate());
    const auto create = [&](const std::string& image) { return lib.dsCreateDSB(audio.handle(), image.data(), effect, "test"); };

    ASSERT_NE(create(pcmWave(tone(100, 1000), rate)), 0);
    EXPECT_EQ(create(std::string("RIFX") + std::string(60, '\0')), 0);
    // A header claiming far more than any wave image: refused before the
    // bytes past the header are looked at (only 12 exist here).
    std::string huge = "RIFF";
    put32(huge, 0xFFFFFFF0u);
    huge += "WAVE";
    EXPECT_EQ(create(huge), 0);
    // A data chunk running past the end of the RIFF.
    std::string longData = pcmWave(tone(100, 1000), rate);
    set32(longData, 40, 10000);
    EXPECT_EQ(create(longData), 0);
    // No frames at all: nothing to play, nothing to loop.
    EXPECT_EQ(create(riffWave(chunk("fmt ", fmtBody(1, rate, 16)) + chunk("data", ""))), 0);
    // A format the mixer cannot decode.
    EXPECT_EQ(create(riffWave(chunk("fmt ", fmtBody(1, rate, 16, 0x1234)) + chunk("data", pcmBody({1, 2})))), 0);
    // A sample rate so low that converting it to the output rate would need
    // more memory than a 32-bit size can say: refused, never converted. (A
    // few kilobytes at 1 Hz once made the mixer write past its buffer.)
    for (std::size_t bytes : {std::size_t{4000}, std::size_t{6087}, std::size_t{20000}})
        EXPECT_EQ(create(riffWave(chunk("fmt ", fmtBody(1, 1, 8)) + chunk("data", std::string(bytes, '\x80')))), 0)
            << bytes;
    // Three channels (six-byte frames) and a data chunk ending in half a frame.
    EXPECT_NE(create(riffWave(chunk("fmt ", fmtBody(3, rate, 16)) + chunk("data", std::string(6 * 5000 + 3, '\x10')))), 0);
    // Absurd rates are refused too, whatever the length.
    EXPECT_EQ(create(riffWave(chunk("fmt ", fmtBody(1, 821315584, 16)) + chunk("data", pcmBody({1, 2, 3})))), 0);
    // A low but ordinary rate is still converted.
    EXPECT_NE(create(riffWave(chunk("fmt ", fmtBody(1, 8000, 8)) + chunk("data", std::string(800, '\x80')))), 0);
}

// Half-scale 1 kHz sine of `seconds` in a wave image of the given encoding
// (1 integer PCM, 3 float), plain or in the extensible form.
std::string sineImage(uint16_t tag, uint16_t bits, uint16_t channels, uint32_t rate, double seconds, bool extensible)
{
    std::string data;
    const auto frames = static_cast<std::size_t>(seconds * rate);
    for (std::size_t i = 0; i < frames; ++i) {
        const double v = 0.5 * std::sin(2 * std::numbers::pi * 1000.0 * static_cast<double>(i) / rate);
        for (uint16_t c = 0; c < channels; ++c) {
            if (tag == 3) {
                const float f = static_cast<float>(v);
                data.append(reinterpret_cast<const char*>(&f), 4);
            } else if (bits == 8) {
                data += static_cast<char>(128 + std::lround(v * 127));
            } else {
                const auto x = static_cast<int64_t>(std::llround(v * static_cast<double>((int64_t{1} << (bits - 1)) - 1)));
                for (int b = 0; b < bits / 8; ++b)
                    data += static_cast<char>((x >> (8 * b)) & 0xFF);
            }
        }
    }
    std::string fmt = fmtBody(channels, rate, bits, extensible ? 0xFFFE : tag);
    if (extensible) {
        put16(fmt, 22);
        put16(fmt, bits);
        put32(fmt, channels == 1 ? 0x4 : 0x3);
        put16(fmt, tag);
        fmt += std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    }
    return riffWave(chunk("fmt ", fmt) + chunk("data", data));
}

TEST_F(SoundLibrary, EveryUsualPcmFormatPlaysAtItsPitchLevelAndLength)
{
    struct Encoding {
        uint16_t tag, bits;
        bool extensible;
    };
    const Encoding encodings[] = {{1, 8, false},  {1, 16, false}, {1, 24, false},
                                  {1, 32, false}, {3, 32, false}, {1, 24, true}, {3, 32, true}};
    constexpr double seconds = 0.1;
    for (const Encoding& e : encodings)
        for (uint16_t channels : {1, 2})
            for (uint32_t rate : {8000u, 11025u, 44100u, 48000u, 192000u}) {
                SCOPED_TRACE(std::to_string(e.bits) + (e.tag == 3 ? "-bit float" : "-bit") +
                             (e.extensible ? " extensible, " : ", ") + std::to_string(channels) + " channels, " +
                             std::to_string(rate) + " Hz");
                const std::string image = sineImage(e.tag, e.bits, channels, rate, seconds, e.extensible);
                const int32_t buffer = audio.lib().dsCreateDSB(audio.handle(), image.data(), effect, "test");
                ASSERT_NE(buffer, 0);
                ASSERT_EQ(audio.lib().dsPlay(buffer), 1);
                const Mix_Chunk* played = playingChunk();
                ASSERT_NE(played, nullptr);
                const auto* samples = reinterpret_cast<const int16_t*>(played->abuf);
                const int64_t frames = played->alen / (2 * audio.channels());
                int crossings = 0;
                int peak = 0;
                for (int64_t i = 0; i < frames; ++i) {
                    const int16_t now = samples[i * audio.channels()];
                    crossings += i > 0 && (now < 0) != (samples[(i - 1) * audio.channels()] < 0);
                    peak = std::max(peak, std::abs(static_cast<int>(now)));
                }
                // Exactly as long: the whole frames given, at the output rate.
                const auto given = static_cast<int64_t>(seconds * rate);
                EXPECT_EQ(frames, given * audio.rate() / rate);
                EXPECT_NEAR(crossings, 2000 * seconds, 2);
                EXPECT_NEAR(peak, 16384, 16384 * 0.03);
                // Freed, it fades out within the next period; after two more
                // its channel is halted and only the next sound plays.
                audio.lib().dsFree(buffer);
                ASSERT_TRUE(audio.waitUntil(audio.framesWritten() + 3 * 1024));
            }
}

TEST_F(SoundLibrary, AnImageOfHundredsOfChannelsIsRefusedBeforeItIsDecoded)
{
    // 24-bit samples in 255 channels with a block of one byte: SDL's decoder
    // sized its buffer as a frame of 255 four-byte samples for every byte of
    // data, a gigabyte for this megabyte.
    std::string format = fmtBody(255, 11025, 24);
    set32(format, 8, 11025);
    format.replace(12, 2, std::string("\x01\x00", 2));
    const std::string image = riffWave(chunk("fmt ", format) + chunk("data", std::string(983043, '\0')));
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    EXPECT_EQ(audio.lib().dsCreateDSB(audio.handle(), image.data(), effect, "test"), 0);
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "KiB more at the peak";
}

// The process's resident memory now ("VmRSS:") or at its peak since the
// last resetPeakMemory ("VmHWM:"), in bytes.
int64_t memoryFigure(const char* name)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(name, 0) == 0)
            return std::stoll(line.substr(std::string(name).size())) * 1024;
    return -1;
}
bool resetPeakMemory() { return static_cast<bool>(std::ofstream("/proc/self/clear_refs") << "5"); }

TEST_F(SoundLibrary, LongMusicTakesOneCopyAndClosingStopsItsConversion)
{
    DsLibrary& lib = audio.lib();
    const int64_t copyPerSecond = int64_t{audio.rate()} * audio.channels() * 2;
    // Resampled as the game's 48 kHz music is: besides the image, one copy
    // and a small working buffer. (The address sanitizer keeps freed memory
    // aside and adds its own.)
    const std::string twoMinutes = pcmWave(std::vector<int16_t>(48000 * 2 * 120, 1000), 48000, 2);
    ASSERT_TRUE(resetPeakMemory());
    int64_t before = memoryFigure("VmHWM:");
    ASSERT_NE(lib.dsCreateDSB(audio.handle(), twoMinutes.data(), music, "test"), 0);
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LE(memoryFigure("VmHWM:") - before, 120 * copyPerSecond + (4 << 20));
#endif

    // Half an hour from a small image, whose copy is some 300 MB: the library
    // is closed once the conversion has begun to fill it.
    const std::string halfAnHour = pcmWave(std::vector<int16_t>(8000 * 1800, 1000), 8000, 1);
    ASSERT_TRUE(resetPeakMemory());
    before = memoryFigure("VmHWM:");
    int32_t made = -1;
    std::thread making([&] { made = lib.dsCreateDSB(audio.handle(), halfAnHour.data(), music, "test"); });
    const auto converting = [&] { return memoryFigure("VmRSS:") >= before + (8 << 20); };
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!converting() && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(converting()) << "the conversion never began";
    const auto closing = std::chrono::steady_clock::now();
    EXPECT_EQ(lib.dsTerminate(audio.handle()), 1);
    making.join();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - closing;
    // No buffer, and the conversion stopped long before it had written its
    // copy, instead of running to the end to be thrown away.
    const int64_t grown = memoryFigure("VmHWM:") - before;
    EXPECT_EQ(made, 0);
    EXPECT_LT(grown, 1800 * copyPerSecond / 2) << "bytes at the peak";
    std::printf("half an hour closed while converted: peak grew %.1f MiB, %.1f ms from closing to the end\n",
                static_cast<double>(grown) / 1048576.0, took.count());

    // Opened again, it makes buffers as before: the close stopped only what
    // was under way when it came.
    ASSERT_EQ(lib.dsInitialize(0), audio.handle());
    EXPECT_NE(audio.makeBuffer(tone(audio.framesOf(0.05), 3000), effect), 0);
}

}  // namespace
}  // namespace korvalo
