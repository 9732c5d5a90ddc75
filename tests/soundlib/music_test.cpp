// Music kept compactly by the sound library sounds as the same music in full.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "sound/wave_builder.h"
#include "soundlib/disk_audio.h"
#include "soundlib/library_fixture.h"

namespace korvalo {
namespace {

using namespace korvalo::testing;

// Mono music is held in one channel and spread over the device's channels as
// it is mixed; what the device gets must not differ by a single sample from
// the same music given in stereo. Each round plays mono music and a stereo
// image of it, one of whose channels is turned upside down, with every call
// to both at the same output frame: that channel must stay exactly silent,
// the other sounds. Resampled from 48 kHz, as both images then go through
// the same float conversion.
TEST_F(SoundLibrary, MonoMusicSoundsAsTheSameMusicInStereo)
{
    if (audio.channels() != 2 || audio.rate() == 48000)
        GTEST_SKIP() << "needs a stereo device at a rate other than 48 kHz";
    constexpr uint32_t rate = 48000;
    const std::vector<int16_t> tune = ramp(rate / 10);
    DsLibrary& lib = audio.lib();
    std::vector<int64_t> rounds;
    for (const std::size_t flipped : {0, 1}) {
        std::vector<int16_t> stereo;
        for (const int16_t s : tune)
            for (std::size_t c = 0; c < 2; ++c)
                stereo.push_back(static_cast<int16_t>(c == flipped ? -s : s));
        const std::string monoImage = pcmWave(tune, rate, 1);
        const std::string stereoImage = pcmWave(stereo, rate, 2);
        const int32_t both[2] = {lib.dsCreateDSB(audio.handle(), monoImage.data(), music, "mono"),
                                 lib.dsCreateDSB(audio.handle(), stereoImage.data(), music, "stereo")};
        ASSERT_NE(both[0], 0);
        ASSERT_NE(both[1], 0);
        const auto each = [&](int32_t (DsLibrary::*call)(int32_t)) {
            audio.atOnce([&] {
                for (const int32_t b : both)
                    EXPECT_EQ((lib.*call)(b), 1);
            });
        };
        rounds.push_back(audio.framesWritten());
        each(&DsLibrary::dsPlay);  // once, to its end
        ASSERT_TRUE(audio.waitFor(0.2));
        each(&DsLibrary::dsPlayLooping);  // over the seam twice
        ASSERT_TRUE(audio.waitFor(0.25));
        each(&DsLibrary::dsPlay);  // restarted over the loop, and over itself
        ASSERT_TRUE(audio.waitFor(0.05));
        each(&DsLibrary::dsPlay);
        ASSERT_TRUE(audio.waitFor(0.03));
        each(&DsLibrary::dsStop);
        ASSERT_TRUE(audio.waitFor(0.05));
        each(&DsLibrary::dsFree);
    }
    rounds.push_back(audio.framesWritten());
    const std::vector<std::vector<int16_t>> out = audio.finishChannels();

    for (std::size_t flipped = 0; flipped < 2; ++flipped) {
        SCOPED_TRACE(flipped);
        const auto begin = static_cast<std::size_t>(rounds[flipped]);
        const auto end = std::min(static_cast<std::size_t>(rounds[flipped + 1]), out[flipped].size());
        ASSERT_LT(begin, end);
        const std::vector<int16_t>& silent = out[flipped];
        const std::vector<int16_t>& heard = out[1 - flipped];
        const auto loud = std::find_if(silent.begin() + begin, silent.begin() + end, [](int16_t s) { return s != 0; });
        EXPECT_EQ(loud, silent.begin() + end) << "the two differ at output frame " << loud - silent.begin();
        // Both were heard: once, three lengths in a loop, twice restarted.
        EXPECT_GT(end - begin - silentSamples(heard, begin, end), tune.size() * 3);
    }
}

}  // namespace
}  // namespace korvalo
