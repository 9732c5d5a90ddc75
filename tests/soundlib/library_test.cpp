// Korvalo.dll for real, on SDL's disk audio driver: what the mixer writes is
// read back and compared with what was played.
#include <SDL_mixer.h>
#include <dlfcn.h>
#include <sys/resource.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "sound/dll_loader.h"
#include "sound/wave_builder.h"
#include "sound/wave_image.h"
#include "soundlib/disk_audio.h"

namespace korvalo {
namespace {

using namespace korvalo::testing;

constexpr int32_t effect = 3;
constexpr int32_t music = 1;

// A square wave that never touches zero, so silence in the output can only
// mean that nothing is playing.
std::vector<int16_t> tone(int64_t frames, int16_t amplitude, int halfPeriod = 50)
{
    std::vector<int16_t> s(static_cast<std::size_t>(frames));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = (i / halfPeriod) % 2 ? static_cast<int16_t>(-amplitude) : amplitude;
    return s;
}

// A rising ramp that never repeats inside the buffer: played in a loop, the
// output repeats with exactly the buffer's length, and any second voice or
// jump back to the start breaks the repetition.
std::vector<int16_t> ramp(int64_t frames)
{
    std::vector<int16_t> s(static_cast<std::size_t>(frames));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<int16_t>(1000 + 15000 * i / s.size());
    return s;
}

class SoundLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(audio.ok()) << audio.error();
        // The library asks for 16-bit samples and lets only the rate and the
        // channel count follow the device.
        ASSERT_EQ(audio.format(), AUDIO_S16LSB);
        ASSERT_GT(audio.rate(), 0);
    }
    DiskAudio audio;
};

TEST_F(SoundLibrary, AClickSoundsOnceForItsOwnLength)
{
    const int64_t length = audio.framesOf(0.1);
    const int32_t click = audio.makeBuffer(tone(length, 8000), effect);
    ASSERT_NE(click, 0);
    ASSERT_TRUE(audio.waitFor(0.05));
    const auto played = audio.call([&] { EXPECT_EQ(audio.lib().dsPlay(click), 1); });
    ASSERT_TRUE(audio.waitFor(0.3));
    const std::vector<int16_t> out = audio.finish();

    const auto [begin, end] = soundingSpan(out);
    ASSERT_LT(begin, out.size()) << "nothing was heard";
    EXPECT_TRUE(played.holds(static_cast<int64_t>(begin)))
        << begin << " outside " << played.from << ".." << played.to;
    EXPECT_EQ(static_cast<int64_t>(end - begin), length);
    EXPECT_EQ(silentSamples(out, begin, end), 0u);
    // Effects play at full volume.
    EXPECT_EQ(*std::max_element(out.begin(), out.end()), 8000);
}

TEST_F(SoundLibrary, PlayingASoundingBufferStartsItAgainOnTheSameVoice)
{
    const int64_t length = audio.framesOf(1.0);
    const int32_t click = audio.makeBuffer(tone(length, 8000), effect);
    ASSERT_NE(click, 0);
    const auto first = audio.call([&] { audio.lib().dsPlay(click); });
    ASSERT_TRUE(audio.waitFor(0.1));
    const auto second = audio.call([&] { audio.lib().dsPlay(click); });
    ASSERT_LT(second.to, first.from + length) << "the test fell behind the output; the first play had ended";
    ASSERT_TRUE(audio.waitUntil(second.to + length + audio.framesOf(0.1)));
    const std::vector<int16_t> out = audio.finish();

    const auto [begin, end] = soundingSpan(out);
    ASSERT_LT(begin, out.size());
    EXPECT_TRUE(first.holds(static_cast<int64_t>(begin)));
    // It sounded without a break from the first start until a whole length
    // after the second.
    EXPECT_TRUE(second.holds(static_cast<int64_t>(end) - length))
        << end - length << " outside " << second.from << ".." << second.to;
    EXPECT_EQ(silentSamples(out, begin, end), 0u);
    // Two voices of the same buffer would have added up somewhere.
    EXPECT_EQ(*std::max_element(out.begin(), out.end()), 8000);
    EXPECT_EQ(*std::min_element(out.begin(), out.end()), -8000);
}

TEST_F(SoundLibrary, ALoopKeepsSoundingPastItsLengthUntilStopped)
{
    const int64_t length = audio.framesOf(0.05);
    const int32_t loop = audio.makeBuffer(tone(length, 6000), effect);
    ASSERT_NE(loop, 0);
    const auto started = audio.call([&] { EXPECT_EQ(audio.lib().dsPlayLooping(loop), 1); });
    ASSERT_TRUE(audio.waitFor(0.5));
    const auto stopped = audio.call([&] { EXPECT_EQ(audio.lib().dsStop(loop), 1); });
    ASSERT_TRUE(audio.waitFor(0.3));
    const std::vector<int16_t> out = audio.finish();

    const auto [begin, end] = soundingSpan(out);
    ASSERT_LT(begin, out.size());
    EXPECT_TRUE(started.holds(static_cast<int64_t>(begin)));
    // Without a break for many times its own length, until the stop ...
    EXPECT_EQ(silentSamples(out, begin, end), 0u);
    EXPECT_GT(static_cast<int64_t>(end - begin), 8 * length);
    EXPECT_TRUE(stopped.holds(static_cast<int64_t>(end)))
        << end << " outside " << stopped.from << ".." << stopped.to;
    // ... and silent from then on.
    EXPECT_GE(out.size() - end, static_cast<std::size_t>(audio.framesOf(0.3) - audio.latency()));
}

TEST_F(SoundLibrary, LoopingTheMusicAgainNeitherDoublesNorRestartsIt)
{
    // A length that shares no factor with the mixer's period, so a restart
    // can never fall exactly on a repetition.
    const int64_t length = audio.framesOf(0.1) | 1;
    const int32_t bgm = audio.makeBuffer(ramp(length), music);
    ASSERT_NE(bgm, 0);
    for (int call = 0; call < 3; ++call) {
        EXPECT_EQ(audio.lib().dsPlayLooping(bgm), 1);
        ASSERT_TRUE(audio.waitFor(0.25));
    }
    const std::vector<int16_t> out = audio.finish();

    const auto [begin, end] = soundingSpan(out);
    ASSERT_LT(begin, out.size());
    ASSERT_GT(static_cast<int64_t>(end - begin), 6 * length);
    EXPECT_EQ(silentSamples(out, begin, end), 0u);
    std::size_t firstBreak = 0;
    for (std::size_t i = begin + length; i < end && firstBreak == 0; ++i)
        if (out[i] != out[i - length])
            firstBreak = i;
    EXPECT_EQ(firstBreak, 0u) << "the loop did not repeat unchanged at output frame " << firstBreak;
}

TEST_F(SoundLibrary, AClickMixesOverTheMusic)
{
    const int64_t musicLength = audio.framesOf(0.1) | 1;
    const std::vector<int16_t> tune = ramp(musicLength);
    const int32_t bgm = audio.makeBuffer(tune, music);
    const int64_t clickLength = audio.framesOf(0.05);
    const int32_t click = audio.makeBuffer(std::vector<int16_t>(clickLength, 5000), effect);
    ASSERT_NE(bgm, 0);
    ASSERT_NE(click, 0);
    ASSERT_NE(bgm, click);
    audio.lib().dsPlayLooping(bgm);
    ASSERT_TRUE(audio.waitFor(0.3));
    audio.lib().dsPlay(click);
    ASSERT_TRUE(audio.waitFor(0.3));
    const std::vector<int16_t> out = audio.finish();

    const auto [begin, end] = soundingSpan(out);
    ASSERT_LT(begin, out.size());
    ASSERT_GT(static_cast<int64_t>(end - begin), 4 * musicLength);
    // The first round of the music, before the click, is the reference.
    const std::size_t start = begin;
    const auto musicAt = [&](std::size_t i) { return out[start + (i - start) % musicLength]; };
    std::vector<std::size_t> differing;
    for (std::size_t i = begin; i < end; ++i) {
        if (out[i] == musicAt(i))
            continue;
        differing.push_back(i);
        // The mixer may round the sum by one step.
        ASSERT_NEAR(out[i] - musicAt(i), 5000, 1) << "at output frame " << i;
    }
    // The click was added to the music for exactly its length, once.
    ASSERT_EQ(static_cast<int64_t>(differing.size()), clickLength);
    EXPECT_EQ(static_cast<int64_t>(differing.back() - differing.front() + 1), clickLength);
    EXPECT_GT(differing.front(), begin + musicLength);
    // The music goes on after the click.
    EXPECT_EQ(silentSamples(out, begin, end), 0u);
    EXPECT_GT(static_cast<int64_t>(end - differing.back()), musicLength);
    // Music plays at three quarters of full volume, under the effects.
    EXPECT_EQ(musicAt(begin), tune[0] * 3 / 4);
}

TEST_F(SoundLibrary, HandleZeroAndHandlesNotInUseAreHarmless)
{
    DsLibrary& lib = audio.lib();
    const std::string image = pcmWave(tone(100, 1000), static_cast<uint32_t>(audio.rate()));
    EXPECT_EQ(lib.dsCreateDSB(0, image.data(), effect, "test"), 0);
    EXPECT_EQ(lib.dsCreateDSB(audio.handle() + 1, image.data(), effect, "test"), 0);
    EXPECT_EQ(lib.dsCreateDSB(audio.handle(), nullptr, effect, "test"), 0);
    for (int32_t h : {0, -1, 65, 1000, INT32_MAX, INT32_MIN}) {
        EXPECT_EQ(lib.dsPlay(h), 0) << h;
        EXPECT_EQ(lib.dsPlayLooping(h), 0) << h;
        EXPECT_EQ(lib.dsStop(h), 0) << h;
        EXPECT_EQ(lib.dsFree(h), 0) << h;
    }
    EXPECT_EQ(lib.dsTerminate(0), 0);
    EXPECT_EQ(lib.dsTerminate(audio.handle() + 1), 0);

    // A freed buffer's handle is dead.
    const int32_t freed = audio.makeBuffer(tone(audio.framesOf(0.1), 3000), effect);
    ASSERT_NE(freed, 0);
    EXPECT_EQ(lib.dsFree(freed), 1);
    EXPECT_EQ(lib.dsFree(freed), 0);
    EXPECT_EQ(lib.dsPlayLooping(freed), 0);

    // The functions the game never calls exist, answer 0 and change nothing.
    void* self = dlopen((programDirectory() + "/Korvalo.dll").c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(self, nullptr);
    using Two = int32_t (*)(int32_t, int32_t);
    using Three = int32_t (*)(int32_t, int32_t, int32_t);
    auto createRes = reinterpret_cast<Three>(dlsym(self, "dsCreateResDSB"));
    ASSERT_NE(createRes, nullptr);
    EXPECT_EQ(createRes(audio.handle(), 101, effect), 0);
    for (const char* name : {"dsPlayPan", "dsPlayEx", "dsPlayLoopingEx", "dsSetVolume", "dsSetPan", "dsSetFrequency"}) {
        auto fn = reinterpret_cast<Two>(dlsym(self, name));
        ASSERT_NE(fn, nullptr) << name;
        EXPECT_EQ(fn(1, 0), 0) << name;
        EXPECT_EQ(fn(0, -10000), 0) << name;
    }
    dlclose(self);

    // The library still works, and nothing of the above made a sound.
    const int32_t after = audio.makeBuffer(tone(100, 1000), effect);
    EXPECT_NE(after, 0);
    ASSERT_TRUE(audio.waitFor(0.1));
    const std::vector<int16_t> out = audio.finish();
    EXPECT_EQ(silentSamples(out, 0, out.size()), out.size());
}

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

TEST_F(SoundLibrary, StartingTwiceGivesTheSameHandleAndTerminateEndsEverything)
{
    DsLibrary& lib = audio.lib();
    EXPECT_EQ(lib.dsInitialize(0), audio.handle());
    const int32_t loop = audio.makeBuffer(tone(audio.framesOf(0.05), 3000), effect);
    ASSERT_NE(loop, 0);
    lib.dsPlayLooping(loop);
    EXPECT_EQ(lib.dsTerminate(audio.handle()), 1);
    // Closed: buffers are gone and a second terminate does nothing.
    EXPECT_EQ(lib.dsPlay(loop), 0);
    EXPECT_EQ(lib.dsFree(loop), 0);
    EXPECT_EQ(lib.dsTerminate(audio.handle()), 0);
    // It can be started again.
    const int32_t again = lib.dsInitialize(0);
    EXPECT_NE(again, 0);
    EXPECT_EQ(lib.dsTerminate(again), 1);
}

}  // namespace
}  // namespace korvalo
