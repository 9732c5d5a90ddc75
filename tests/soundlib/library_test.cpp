// Korvalo.dll for real, on SDL's disk audio driver: what the mixer writes is
// read back and compared with what was played.
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



// A sine wave of 100 frames a period.
std::vector<int16_t> sine(int64_t frames, int16_t amplitude)
{
    std::vector<int16_t> s(static_cast<std::size_t>(frames));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * std::numbers::pi * static_cast<double>(i) / 100)));
    return s;
}

int largestStep(const std::vector<int16_t>& s, std::size_t begin, std::size_t end)
{
    int most = 0;
    for (std::size_t i = begin + 1; i < end && i < s.size(); ++i)
        most = std::max(most, std::abs(s[i] - s[i - 1]));
    return most;
}

// How a steady level ends after output frame `from`: the frames from the last
// sample at the level to the first silent one, whether it only falls on the
// way, and its largest step.
struct Ending {
    int64_t frames = 0;
    bool falls = true;
    int largestStep = 0;
};

Ending endingAfter(const std::vector<int16_t>& out, int64_t from, int16_t level)
{
    std::size_t i = static_cast<std::size_t>(from);
    while (i < out.size() && out[i] == level)
        ++i;
    Ending ending;
    const std::size_t last = i - 1;
    for (; i < out.size() && out[i] != 0; ++i) {
        ending.falls = ending.falls && std::abs(out[i]) <= std::abs(out[i - 1]) && (out[i] > 0) == (level > 0);
        ending.largestStep = std::max(ending.largestStep, std::abs(out[i] - out[i - 1]));
    }
    if (i < out.size())
        ending.largestStep = std::max(ending.largestStep, std::abs(out[i - 1]));
    ending.frames = static_cast<int64_t>(i - last);
    return ending;
}

double dBFS(int peak) { return 20 * std::log10(peak / 32768.0); }

int peakIn(const std::vector<int16_t>& out, int64_t begin, int64_t end)
{
    int most = 0;
    for (int64_t i = std::max<int64_t>(begin, 0); i < end && i < static_cast<int64_t>(out.size()); ++i)
        most = std::max(most, std::abs(static_cast<int>(out[static_cast<std::size_t>(i)])));
    return most;
}


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

TEST_F(SoundLibrary, PlayingASoundingBufferStartsItAgainWithoutAClickOrASecondVoice)
{
    const int64_t length = audio.framesOf(1.0);
    const std::vector<int16_t> wave = sine(length, 8000);
    const int32_t click = audio.makeBuffer(wave, effect);
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
    // It sounded until a whole length after the second start ...
    EXPECT_TRUE(second.holds(static_cast<int64_t>(end) - length))
        << end - length << " outside " << second.from << ".." << second.to;
    // ... the old voice fading out as the new one faded in: never louder than
    // one voice, and never a step larger than the wave's own (a cut from one
    // voice to the other at an unlucky moment would jump by up to 16000).
    EXPECT_LE(*std::max_element(out.begin(), out.end()), 8000);
    EXPECT_GE(*std::min_element(out.begin(), out.end()), -8000);
    EXPECT_LE(largestStep(out, begin, end), largestStep(wave, 0, wave.size()) * 5 / 4 + 8);
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

TEST_F(SoundLibrary, StoppingFreeingAndClosingFadeTheSoundSmoothlyToSilence)
{
    const int16_t level = 16000;
    const std::vector<int16_t> steady(static_cast<std::size_t>(audio.framesOf(0.05)), level);
    const int32_t stopped = audio.makeBuffer(steady, effect);
    const int32_t freed = audio.makeBuffer(steady, music);
    const int32_t closed = audio.makeBuffer(steady, effect);
    ASSERT_NE(stopped, 0);
    ASSERT_NE(freed, 0);
    ASSERT_NE(closed, 0);
    DsLibrary& lib = audio.lib();
    int64_t ends[3];
    lib.dsPlayLooping(stopped);
    ASSERT_TRUE(audio.waitFor(0.1));
    ends[0] = audio.call([&] { EXPECT_EQ(lib.dsStop(stopped), 1); }).from;
    ASSERT_TRUE(audio.waitFor(0.1));
    EXPECT_EQ(lib.dsPlayLooping(freed), 1);
    ASSERT_TRUE(audio.waitFor(0.1));
    ends[1] = audio.call([&] { EXPECT_EQ(lib.dsFree(freed), 1); }).from;
    EXPECT_EQ(lib.dsPlay(freed), 0);
    ASSERT_TRUE(audio.waitFor(0.1));
    lib.dsPlayLooping(closed);
    ASSERT_TRUE(audio.waitFor(0.1));
    ends[2] = audio.framesWritten();
    const std::vector<int16_t> out = audio.finish();

    // The music plays at three quarters of the effects' level.
    const int16_t levels[3] = {level, static_cast<int16_t>(level * 3 / 4), level};
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const Ending ending = endingAfter(out, ends[k], levels[k]);
        std::printf("fade out after %s: %lld frames at %d Hz (%.2f ms), largest step %d of %d\n",
                    k == 0 ? "dsStop" : k == 1 ? "dsFree" : "dsTerminate", static_cast<long long>(ending.frames),
                    audio.rate(), 1000.0 * static_cast<double>(ending.frames) / audio.rate(), ending.largestStep,
                    levels[k]);
        EXPECT_TRUE(ending.falls);
        EXPECT_GE(ending.frames, audio.framesOf(0.002));
        EXPECT_LE(ending.frames, audio.framesOf(0.010));
        // A raised cosine over n frames moves at most level * pi / 2n a frame.
        EXPECT_LE(ending.largestStep, levels[k] * 2 / ending.frames + 4);
    }
}

TEST_F(SoundLibrary, TheLoudestCombinationStaysBelowFullScaleWhileEachSoundKeepsItsLevel)
{
    // Full-scale square waves in step: the worst the four sounds could do.
    const std::vector<int16_t> loudest = tone(audio.framesOf(0.3), 32767);
    const int32_t bgm = audio.makeBuffer(loudest, music);
    int32_t effects[3];
    for (int32_t& e : effects) {
        e = audio.makeBuffer(loudest, effect);
        ASSERT_NE(e, 0);
    }
    ASSERT_NE(bgm, 0);
    DsLibrary& lib = audio.lib();
    lib.dsPlayLooping(bgm);
    ASSERT_TRUE(audio.waitFor(0.2));
    const auto together = audio.call([&] {
        for (int32_t e : effects)
            lib.dsPlay(e);
    });
    ASSERT_TRUE(audio.waitFor(0.5));
    lib.dsStop(bgm);
    ASSERT_TRUE(audio.waitFor(0.1));
    const auto alone = audio.call([&] { lib.dsPlay(effects[0]); });
    ASSERT_TRUE(audio.waitFor(0.4));
    const std::vector<int16_t> out = audio.finish();

    const int all = peakIn(out, together.to, together.from + audio.framesOf(0.3));
    const int musicAlone = peakIn(out, 0, together.from);
    const int effectAlone = peakIn(out, alone.from, static_cast<int64_t>(out.size()));
    std::printf("peaks: all four %d (%.2f dBFS), music alone %d (%.2f dBFS), an effect alone %d (%.2f dBFS)\n", all,
                dBFS(all), musicAlone, dBFS(musicAlone), effectAlone, dBFS(effectAlone));
    EXPECT_LT(peakIn(out, 0, static_cast<int64_t>(out.size())), 32767);
    EXPECT_GT(all, effectAlone);
    // Within 1 dB of the level each had when mixed without headroom.
    EXPECT_GE(dBFS(musicAlone), dBFS(32767 * 3 / 4) - 1);
    EXPECT_LE(dBFS(musicAlone), dBFS(32767 * 3 / 4) + 1);
    EXPECT_GE(dBFS(effectAlone), dBFS(32767) - 1);
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
    // Up to the fade out when the library closes.
    const std::size_t faded = end - static_cast<std::size_t>(audio.framesOf(0.01));
    std::size_t firstBreak = 0;
    for (std::size_t i = begin + length; i < faded && firstBreak == 0; ++i)
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
    // Up to the fade out when the library closes.
    const std::size_t faded = end - static_cast<std::size_t>(audio.framesOf(0.01));
    for (std::size_t i = begin; i < faded; ++i) {
        if (out[i] == musicAt(i))
            continue;
        differing.push_back(i);
        // The converter may round a sample by one step, which the headroom
        // for mixing makes four.
        ASSERT_NEAR(out[i] - musicAt(i), 5000, 4) << "at output frame " << i;
    }
    // The click was added to the music for exactly its length, once.
    ASSERT_EQ(static_cast<int64_t>(differing.size()), clickLength);
    EXPECT_EQ(static_cast<int64_t>(differing.back() - differing.front() + 1), clickLength);
    EXPECT_GT(differing.front(), begin + musicLength);
    // The music goes on after the click.
    EXPECT_EQ(silentSamples(out, begin, end), 0u);
    EXPECT_GT(static_cast<int64_t>(end - differing.back()), musicLength);
    // Music plays at three quarters of full volume, under the effects. (The
    // headroom for mixing costs the two lowest bits.)
    EXPECT_NEAR(musicAt(begin), tune[0] * 3 / 4, 4);
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

// The device opened ahead on the loading thread: the next start answers with
// that opening, and a failure's message comes out only then, where the start
// would have printed it. An opening ahead of a device since closed is not
// answered: the start opens anew.
TEST(SoundLibraryOpenedAhead, TheNextStartTakesTheOpeningAndItsMessage)
{
    std::string error;
    const std::unique_ptr<DsLibrary> lib = loadSoundLibrary(programDirectory(), &error);
    ASSERT_NE(lib, nullptr) << error;

    useAudioDriver("no-such-driver");
    ::testing::internal::CaptureStderr();
    lib->openAhead();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    useAudioDriver("disk", "/dev/null");  // too late: the opening has been made
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(lib->dsInitialize(0), 0);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("Korvalo.dll: no audio:"), std::string::npos);

    TemporaryFolder folder;
    useAudioDriver("disk", (folder.path() / "output.raw").string());
    lib->openAhead();
    lib->openAhead();  // one opening, however often asked
    const int32_t handle = lib->dsInitialize(0);
    ASSERT_NE(handle, 0);
    const std::string image = pcmWave(tone(100, 1000));
    EXPECT_NE(lib->dsCreateDSB(handle, image.data(), effect, "tone"), 0);

    EXPECT_EQ(lib->dsTerminate(handle), 1);
    lib->openAhead();
    EXPECT_EQ(lib->dsTerminate(handle), 1);
    EXPECT_EQ(lib->dsInitialize(0), handle);
    EXPECT_NE(lib->dsCreateDSB(handle, image.data(), effect, "tone"), 0) << "answered for a closed device";
    EXPECT_EQ(lib->dsTerminate(handle), 1);
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
