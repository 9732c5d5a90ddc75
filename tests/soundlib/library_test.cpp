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
