// Over a thousand random games through the window's events, each from
// start-up to the ranking, with every invariant checked after every step
// (GameWatch). The seeds are a fixed list, so a failure names the seed and
// the step. All games of one opening share a working folder, so each starts
// with the options the last one left in Korvalo.ini.
#include <gtest/gtest.h>

#include <algorithm>

#include "property/memory_folder.h"
#include "property/random_play.h"
#include "support/game_driver.h"

namespace korvalo::testing {
namespace {

constexpr int gamesPerOpening = 143;  // 7 openings: 1001 games

// One game from start-up to the ranking in the current working folder.
std::string playGame(uint32_t seed, const Seating& opening, ActCounts& counts)
{
    TestGame game;
    // The options come back as the last game left them in Korvalo.ini.
    const std::optional<Marks> stored = storedMarks(nullptr);
    game.form.Form_Load();
    const Marks loaded = checkMarks(game.ui);
    if (stored && loaded != *stored)
        return "start-up shows " + marksText(loaded) + " from a file that stores " + marksText(*stored);
    if (std::string problem = settingsFileProblem(loaded); !problem.empty())
        return "after start-up: " + problem;
    if (game.lib.looping.count(game.form.sounds().buffer(GameSounds::Sound::Music)) != (loaded[2] ? 1u : 0u))
        return "after start-up the music does not follow " + marksText(loaded);

    GameWatch watch(game);
    return playRandomGame(watch, seed, opening, &counts);
}

class RandomGames : public ::testing::TestWithParam<std::size_t> {};

TEST_P(RandomGames, KeepEveryInvariantFromStartUpToTheRanking)
{
    const Seating& opening = allSeatings[GetParam()];
    MemoryWorkingFolder folder;
    ASSERT_TRUE(folder.isValid());
    writeGameWaveFiles();
    ActCounts counts{};
    int failures = 0;
    for (int i = 0; i < gamesPerOpening && failures < 3; ++i) {
        const uint32_t seed = 1000u * static_cast<uint32_t>(GetParam() + 1) + static_cast<uint32_t>(i);
        if (const std::string problem = playGame(seed, opening, counts); !problem.empty()) {
            ++failures;
            ADD_FAILURE() << "seed " << seed << ", opening " << opening.name << ", " << problem;
        }
    }

    std::vector<std::string> names = folderEntries();
    std::vector<std::string> expected = {"Korvalo.ini", "その他.wav", "禁止.wav", "石打音.wav", "BGM.wav"};
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);

    // The games reached the states they are meant to try.
    for (Act act : {Act::LegalPress, Act::IllegalPress, Act::OutsidePress, Act::PassPress, Act::ComputerPress,
                     Act::NoGamePress, Act::Back, Act::Forward, Act::First, Act::Seat, Act::MoveNumbers,
                     Act::Icons, Act::Music, Act::About})
        EXPECT_GT(counts[static_cast<std::size_t>(act)], 0) << "act " << static_cast<int>(act) << " never tried";
}

INSTANTIATE_TEST_SUITE_P(EveryOpening, RandomGames, ::testing::Range<std::size_t>(0, allSeatings.size()),
                         [](const auto& info) { return std::string(allSeatings[info.param].name); });

}  // namespace
}  // namespace korvalo::testing
