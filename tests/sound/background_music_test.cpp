// The music made in the background: the game's calls on it before it exists
// are carried out when it does, and nothing waits for it but closing.
#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <vector>

#include "sound/background_music.h"

namespace korvalo {
namespace {

// A library whose making of a buffer waits until the test lets it finish.
class SlowLibrary : public DsLibrary {
public:
    int32_t dsInitialize(int32_t) override { return 1; }
    int32_t dsCreateDSB(int32_t, const void* image, int32_t flags, const std::string&) override
    {
        if (flags == 1)
            release.get_future().wait();
        note("create " + std::string(static_cast<const char*>(image)));
        return flags == 1 ? 7 : 3;
    }
    int32_t dsPlay(int32_t b) override { return note("play " + std::to_string(b)); }
    int32_t dsPlayLooping(int32_t b) override { return note("loop " + std::to_string(b)); }
    int32_t dsStop(int32_t b) override { return note("stop " + std::to_string(b)); }
    int32_t dsFree(int32_t b) override { return note("free " + std::to_string(b)); }
    int32_t dsTerminate(int32_t) override { return note("terminate"); }

    std::vector<std::string> calls()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        return log;
    }
    std::promise<void> release;

private:
    int32_t note(const std::string& call)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        log.push_back(call);
        return 1;
    }
    std::mutex mutex;
    std::vector<std::string> log;
};

using Calls = std::vector<std::string>;

TEST(BackgroundMusic, TheGameGoesOnWhileTheMusicIsMadeAndItsWishesAreKept)
{
    struct Case {
        const char* name;
        void (*meanwhile)(DsLibrary&, int32_t music);
        Calls after;  // the library's calls once the music is made
    };
    const Case cases[] = {
        {"looped", [](DsLibrary& lib, int32_t m) { lib.dsPlayLooping(m); }, {"create BGM", "loop 7"}},
        {"looped, then stopped",
         [](DsLibrary& lib, int32_t m) {
             lib.dsPlayLooping(m);
             lib.dsStop(m);
         },
         {"create BGM"}},
        {"looped, then freed",
         [](DsLibrary& lib, int32_t m) {
             lib.dsPlayLooping(m);
             lib.dsFree(m);
         },
         {"create BGM", "free 7"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto owned = std::make_unique<SlowLibrary>();
        SlowLibrary& slow = *owned;
        BackgroundMusicLibrary lib(std::move(owned));
        // The music's bytes are released by the caller at once; the library
        // keeps its own share.
        const int32_t music = lib.createBuffer(1, QByteArray("BGM", 4), 1, "BGM.wav");
        EXPECT_EQ(music, BackgroundMusicLibrary::musicHandle);
        // Effects are made and played meanwhile, at once.
        const int32_t click = lib.createBuffer(1, QByteArray("click", 6), 3, "click.wav");
        EXPECT_EQ(lib.dsPlay(click), 1);
        c.meanwhile(lib, music);
        EXPECT_EQ(slow.calls(), (Calls{"create click", "play 3"}));

        slow.release.set_value();
        EXPECT_EQ(lib.dsTerminate(1), 1);
        Calls expected = {"create click", "play 3"};
        expected.insert(expected.end(), c.after.begin(), c.after.end());
        expected.push_back("terminate");
        EXPECT_EQ(slow.calls(), expected);
    }
}

}  // namespace
}  // namespace korvalo
