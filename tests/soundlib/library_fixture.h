#pragma once
// What the tests of the real sound library share: the fixture that checks the
// disk audio device, the flags of an effect's and of the music's buffer, and
// test tones.
#include <gtest/gtest.h>

#include <SDL_mixer.h>

#include <cstdint>
#include <vector>

#include "soundlib/disk_audio.h"

namespace korvalo::testing {

inline constexpr int32_t effect = 3;  // the flags of a sound effect's buffer
inline constexpr int32_t music = 1;   // and of the music's

// A square wave that never touches zero, so silence in the output can only
// mean that nothing is playing.
std::vector<int16_t> tone(int64_t frames, int16_t amplitude, int halfPeriod = 50);

// A rising ramp that never repeats inside the buffer: played in a loop, the
// output repeats with exactly the buffer's length, and any second voice or
// jump back to the start breaks the repetition.
std::vector<int16_t> ramp(int64_t frames);

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

}  // namespace korvalo::testing
