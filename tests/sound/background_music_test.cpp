// The music made in the background: the game's calls on it before it exists
// are carried out when it does, and nothing waits for it but closing, which
// reaches the library first.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "sound/background_music.h"

namespace korvalo {
namespace {

using Calls = std::vector<std::string>;

// A library whose making of music waits until the test lets it finish or,
// as the real library's conversion does, until the library is closed, and is
// then given up.
class SlowLibrary : public DsLibrary {
public:
    int32_t dsInitialize(int32_t) override { return 1; }
    int32_t dsCreateDSB(int32_t, const void* image, int32_t flags, const std::string&) override
    {
        std::unique_lock<std::mutex> lock(mutex);
        // Generous: only a making that nothing ends runs into it.
        changed.wait_for(lock, std::chrono::seconds(20), [&] { return flags != 1 || released || closed; });
        log.push_back("create " + std::string(static_cast<const char*>(image)) + (closed ? " cancelled" : ""));
        changed.notify_all();
        return closed ? 0 : flags == 1 ? 7 : 3;
    }
    int32_t dsPlay(int32_t b) override { return note("play " + std::to_string(b)); }
    int32_t dsPlayLooping(int32_t b) override { return note("loop " + std::to_string(b)); }
    int32_t dsStop(int32_t b) override { return note("stop " + std::to_string(b)); }
    int32_t dsFree(int32_t b) override { return note("free " + std::to_string(b)); }
    int32_t dsTerminate(int32_t) override { return note("terminate", &closed); }

    void release() { note("", &released); }
    // The calls so far, once there are at least `count` (or after a while).
    Calls calls(std::size_t count = 0)
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait_for(lock, std::chrono::seconds(20), [&] { return log.size() >= count; });
        return log;
    }

private:
    int32_t note(const std::string& call, bool* flag = nullptr)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (flag)
            *flag = true;
        if (!call.empty())
            log.push_back(call);
        changed.notify_all();
        return 1;
    }
    std::mutex mutex;
    std::condition_variable changed;
    bool released = false;
    bool closed = false;
    Calls log;
};

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

        slow.release();
        Calls expected = {"create click", "play 3"};
        expected.insert(expected.end(), c.after.begin(), c.after.end());
        EXPECT_EQ(slow.calls(expected.size()), expected);
        EXPECT_EQ(lib.dsTerminate(1), 1);
        expected.push_back("terminate");
        EXPECT_EQ(slow.calls(), expected);
    }
}

TEST(BackgroundMusic, EndingWhileTheMusicIsMadeClosesTheLibraryBeforeWaitingForIt)
{
    auto owned = std::make_unique<SlowLibrary>();
    SlowLibrary& slow = *owned;
    BackgroundMusicLibrary lib(std::move(owned));
    const int32_t music = lib.createBuffer(1, QByteArray("BGM", 4), 1, "BGM.wav");
    lib.dsPlayLooping(music);
    // The game's end: the buffers are freed, then the library is closed.
    EXPECT_EQ(lib.dsFree(music), 1);
    EXPECT_EQ(lib.dsTerminate(1), 1);
    // Closing came first and ended the making; nothing was asked of the
    // library after it.
    EXPECT_EQ(slow.calls(), (Calls{"terminate", "create BGM cancelled"}));
}

}  // namespace
}  // namespace korvalo
