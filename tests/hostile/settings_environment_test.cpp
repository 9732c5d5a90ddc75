// The game started with a settings file it cannot use or a working folder
// it cannot write: random bytes under the name Korvalo.ini, a folder of that
// name, a read-only or unreadable file, a folder without write permission,
// and a working folder that has been removed (links and files it may write
// only in place: settings_links_test.cpp). No message box is shown, the options keep sensible
// states (the marks flip on every switch, the music follows its mark), a
// whole game is played to the ranking with every check of the game watch,
// and nothing but Korvalo.ini is ever written.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "hostile/hostile_support.h"
#include "property/settings_text.h"
#include "settings/settings_file.h"
#include "support/game_driver.h"

namespace korvalo::testing {
namespace {


// ---- Random bytes under the name Korvalo.ini

std::string randomSettingsBytes(int variant)
{
    std::mt19937 gen(static_cast<uint32_t>(4242 + variant));
    auto below = [&gen](int n) { return static_cast<int>(gen() % static_cast<uint32_t>(n)); };
    std::string out;
    switch (variant) {
    case 0:  // bytes of every value
        for (int i = 0; i < 300; ++i)
            out += static_cast<char>(below(256));
        break;
    case 1: {  // pieces of settings lines, broken characters, control bytes
        const std::string pieces[] = {shiftJis("手順番号表示"), shiftJis("ｱｲｺﾝ表示"), "BGM", "=", "==", "OK", "NG",
                                      "ok", "\r\n", "\n", "\r", " ", std::string(1, '\0'), "\x81", "\xFF",
                                      shiftJis("ＯＫ"), "\x82\xA0"};
        for (int i = 0; i < 60; ++i)
            out += pieces[below(static_cast<int>(std::size(pieces)))];
        break;
    }
    case 2:  // far longer than any settings file
        for (int i = 0; i < 200000; ++i)
            out += below(40) == 0 ? '\n' : static_cast<char>(below(256));
        break;
    default: {  // the three lines with a few bytes changed at random
        out = shiftJis("手順番号表示=OK\r\nｱｲｺﾝ表示=OK\r\nBGM=NG\r\n");
        for (int i = 0; i < 3; ++i)
            out[static_cast<std::size_t>(below(static_cast<int>(out.size())))] = static_cast<char>(below(256));
        break;
    }
    }
    return out;
}

class HostileSettingsBytes : public ::testing::TestWithParam<int> {};

TEST_P(HostileSettingsBytes, AreReadWithoutHarmAndReplacedByTheFirstSwitch)
{
    TemporaryWorkingFolder folder;
    writeGameWaveFiles();
    const std::string bytes = randomSettingsBytes(GetParam());
    ASSERT_TRUE(putFile("Korvalo.ini", bytes));
    FolderEvents events(folder.path());
    ASSERT_TRUE(events.isValid());

    Rig rig(Library::Present);
    rig.form.Form_Load();
    EXPECT_TRUE(boxes(rig.ui).empty());
    EXPECT_EQ(fileContent("Korvalo.ini"), bytes);  // reading never rewrites the file
    EXPECT_EQ(musicProblem(rig), "");
    if (GetParam() == 0 || GetParam() == 2) {  // bytes that hold no settings line
        EXPECT_EQ(marksText(checkMarks(rig.ui)), marksText(startMarks));
    }

    EXPECT_EQ(switchEachOptionTwice(rig, [&rig] { return settingsFileProblem(checkMarks(rig.ui)); }), "");
    EXPECT_EQ(playToTheRanking(rig, SettingsFile::Kept, 300u + static_cast<uint32_t>(GetParam()),
                               static_cast<std::size_t>(GetParam())),
              "");
    EXPECT_EQ(closeWindow(rig), "");
    EXPECT_EQ(events.otherNames(), std::set<std::string>{});
    EXPECT_EQ(sorted(folderEntries()), withSettingsFile(waveFiles()));
}

std::string bytesName(const ::testing::TestParamInfo<int>& info)
{
    static const char* const names[] = {"AnyBytes", "BrokenLines", "Huge", "DamagedLines"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(FourKinds, HostileSettingsBytes, ::testing::Values(0, 1, 2, 3), bytesName);

// ---- A folder named Korvalo.ini

TEST(HostileSettings, AFolderNamedKorvaloIniIsLeftAloneThroughAWholeGame)
{
    TemporaryWorkingFolder folder;
    writeGameWaveFiles();
    ASSERT_TRUE(QDir().mkdir("Korvalo.ini"));
    FolderEvents events(folder.path());
    ASSERT_TRUE(events.isValid());

    Rig rig(Library::Present);
    rig.form.Form_Load();
    EXPECT_TRUE(boxes(rig.ui).empty());
    EXPECT_EQ(marksText(checkMarks(rig.ui)), marksText(startMarks));
    EXPECT_EQ(musicProblem(rig), "");
    const auto stillAnEmptyFolder = [] {
        return QFileInfo("Korvalo.ini").isDir() && QDir("Korvalo.ini").isEmpty() ? std::string()
                                                                                 : "Korvalo.ini is no empty folder";
    };
    EXPECT_EQ(switchEachOptionTwice(rig, stillAnEmptyFolder), "");
    EXPECT_EQ(playToTheRanking(rig, SettingsFile::None, 21, 4), "");
    EXPECT_EQ(closeWindow(rig), "");
    EXPECT_EQ(stillAnEmptyFolder(), "");
    EXPECT_EQ(events.otherNames(), std::set<std::string>{});
    EXPECT_EQ(sorted(folderEntries()), withSettingsFile(waveFiles()));
}

// ---- A read-only Korvalo.ini

const std::string readOnlyText = "手順番号表示=OK\r\nｱｲｺﾝ表示=OK\r\nBGM=NG\r\n";
const Marks readOnlyMarks = {true, true, false};

// A game started beside a read-only Korvalo.ini that turns move numbers and
// icons on and the music off. The options are read from it, and it is left
// as it is, by root too.
std::string readOnlySettingsGame()
{
    Rig rig(Library::Present);
    rig.form.Form_Load();
    if (!boxes(rig.ui).empty())
        return "start-up showed " + boxes(rig.ui).front();
    if (checkMarks(rig.ui) != readOnlyMarks)
        return "start-up shows " + marksText(checkMarks(rig.ui)) + ", the file stores " + marksText(readOnlyMarks);
    if (std::string problem = musicProblem(rig); !problem.empty())
        return problem;
    const std::string original = shiftJis(readOnlyText);
    // Nobody writes a file made read-only, root included.
    const auto fileProblem = [&original]() -> std::string {
        struct stat info {};
        if (::stat("Korvalo.ini", &info) != 0)
            return "Korvalo.ini is gone";
        if ((info.st_mode & 07777) != 0444) {
            char mode[8];
            std::snprintf(mode, sizeof mode, "%03o", static_cast<unsigned>(info.st_mode & 07777));
            return std::string("Korvalo.ini is no longer read-only: mode ") + mode;
        }
        return fileContent("Korvalo.ini") == original ? std::string() : "the read-only Korvalo.ini was changed";
    };
    if (std::string problem = switchEachOptionTwice(rig, fileProblem); !problem.empty())
        return problem;
    if (std::string problem = playToTheRanking(rig, SettingsFile::Frozen, 31, 5); !problem.empty())
        return problem;
    if (std::string problem = closeWindow(rig); !problem.empty())
        return problem;
    return fileProblem();
}

// Working folder that anybody may write in, holding the wave files and a
// read-only Korvalo.ini owned by this process's user.
void prepareReadOnlySettings(const TemporaryWorkingFolder& folder)
{
    writeGameWaveFiles();
    ASSERT_TRUE(putFile("Korvalo.ini", shiftJis(readOnlyText)));
    ASSERT_EQ(::chmod("Korvalo.ini", 0444), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(folder.path()).constData(), 0777), 0);
}

TEST(HostileSettings, AReadOnlyFileIsReadAndKeptReadOnly)
{
    TemporaryWorkingFolder folder;
    ASSERT_NO_FATAL_FAILURE(prepareReadOnlySettings(folder));
    FolderEvents events(folder.path());
    ASSERT_TRUE(events.isValid());
    EXPECT_EQ(readOnlySettingsGame(), "");
    EXPECT_EQ(events.otherNames(), std::set<std::string>{});
    EXPECT_EQ(sorted(folderEntries()), withSettingsFile(waveFiles()));
}

TEST(HostileSettings, AReadOnlyFileIsLeftAsItIsByAnOrdinaryUser)
{
    TemporaryWorkingFolder folder;
    ASSERT_NO_FATAL_FAILURE(prepareReadOnlySettings(folder));
    FolderEvents events(folder.path());
    ASSERT_TRUE(events.isValid());
    const std::optional<std::string> report = runAsOrdinaryUser([] {
        if (::access("Korvalo.ini", W_OK) == 0)
            return std::string("the ordinary user may write the read-only file");
        return readOnlySettingsGame();
    });
    if (!report)
        GTEST_SKIP() << "this process cannot drop root to the user nobody";
    EXPECT_EQ(*report, "");
    EXPECT_EQ(fileContent("Korvalo.ini"), shiftJis(readOnlyText));
    EXPECT_EQ(events.otherNames(), std::set<std::string>{});
    EXPECT_EQ(sorted(folderEntries()), withSettingsFile(waveFiles()));
}

TEST(HostileSettings, AFileWithoutAnyPermissionIsNeitherReadNorReplaced)
{
    TemporaryWorkingFolder folder;
    writeGameWaveFiles();
    const std::string stored = shiftJis(readOnlyText);
    ASSERT_TRUE(putFile("Korvalo.ini", stored));
    ASSERT_EQ(::chmod("Korvalo.ini", 0), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(folder.path()).constData(), 0777), 0);
    FolderEvents events(folder.path());
    ASSERT_TRUE(events.isValid());
    const std::optional<std::string> report = runAsOrdinaryUser([] {
        Rig rig(Library::Present);
        rig.form.Form_Load();
        if (!boxes(rig.ui).empty())
            return "start-up showed " + boxes(rig.ui).front();
        if (checkMarks(rig.ui) != startMarks)
            return "start-up shows " + marksText(checkMarks(rig.ui)) + " from a file it cannot read";
        const auto fileProblem = [] {
            return QFileInfo("Korvalo.ini").isFile() && !QFileInfo("Korvalo.ini").isReadable()
                       ? std::string()
                       : "Korvalo.ini was replaced";
        };
        if (std::string problem = switchEachOptionTwice(rig, fileProblem); !problem.empty())
            return problem;
        if (std::string problem = playToTheRanking(rig, SettingsFile::None, 41, 1); !problem.empty())
            return problem;
        return closeWindow(rig);
    });
    if (!report)
        GTEST_SKIP() << "this process cannot drop root to the user nobody";
    EXPECT_EQ(*report, "");
    struct stat info {};
    ASSERT_EQ(::stat("Korvalo.ini", &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0u);
    ASSERT_EQ(::chmod("Korvalo.ini", 0600), 0);
    EXPECT_EQ(fileContent("Korvalo.ini"), stored);
    EXPECT_EQ(events.otherNames(), std::set<std::string>{});
}

// ---- Working folders that take no new file

// A game in a working folder where Korvalo.ini cannot be made: the options
// keep their states through switches and the reset after the game.
std::string gameWhereNothingCanBeWritten(Rig& rig, uint32_t seed)
{
    const auto noFile = [] {
        return QFileInfo::exists("Korvalo.ini") ? std::string("Korvalo.ini was made") : std::string();
    };
    if (std::string problem = switchEachOptionTwice(rig, noFile); !problem.empty())
        return problem;
    if (std::string problem = playToTheRanking(rig, SettingsFile::None, seed, seed % allSeatings.size());
        !problem.empty())
        return problem;
    if (std::string problem = closeWindow(rig); !problem.empty())
        return problem;
    return noFile();
}

TEST(HostileSettings, AFolderWithoutWritePermissionTakesNoFile)
{
    TemporaryWorkingFolder folder;
    writeGameWaveFiles();
    ASSERT_EQ(::chmod(QFile::encodeName(folder.path()).constData(), 0555), 0);
    const std::optional<std::string> report = runAsOrdinaryUser([] {
        Rig rig(Library::Present);
        rig.form.Form_Load();
        if (!boxes(rig.ui).empty())
            return "start-up showed " + boxes(rig.ui).front();
        if (checkMarks(rig.ui) != startMarks)
            return "start-up shows " + marksText(checkMarks(rig.ui));
        return gameWhereNothingCanBeWritten(rig, 51);
    });
    ASSERT_EQ(::chmod(QFile::encodeName(folder.path()).constData(), 0700), 0);
    if (!report)
        GTEST_SKIP() << "this process cannot drop root to the user nobody";
    EXPECT_EQ(*report, "");
    EXPECT_EQ(sorted(folderEntries()), waveFiles());
}

void enterRemovedFolder()
{
    ASSERT_TRUE(QDir().mkdir("gone"));
    ASSERT_TRUE(QDir::setCurrent("gone"));
    ASSERT_EQ(::rmdir(QFile::encodeName(QDir::currentPath()).constData()), 0);
}

TEST(HostileSettings, AWorkingFolderRemovedBeforeStartUp)
{
    TemporaryWorkingFolder folder;
    enterRemovedFolder();
    Rig rig(Library::Present);
    rig.form.Form_Load();
    // Missing wave files cost only their sounds, without a word.
    EXPECT_TRUE(boxes(rig.ui).empty());
    EXPECT_EQ(rig.form.sounds().buffer(GameSounds::Sound::Stone), 0);
    EXPECT_EQ(marksText(checkMarks(rig.ui)), marksText(startMarks));
    EXPECT_EQ(gameWhereNothingCanBeWritten(rig, 61), "");
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    EXPECT_EQ(folderEntries(), std::vector<std::string>{});
}

TEST(HostileSettings, AWorkingFolderRemovedDuringAGame)
{
    TemporaryWorkingFolder folder;
    ASSERT_TRUE(QDir().mkdir("gone"));
    ASSERT_TRUE(QDir::setCurrent("gone"));
    writeGameWaveFiles();
    ASSERT_TRUE(putFile("Korvalo.ini", shiftJis("手順番号表示=OK\r\nｱｲｺﾝ表示=NG\r\nBGM=NG\r\n")));

    Rig rig(Library::Present);
    rig.form.Form_Load();
    ASSERT_EQ(marksText(checkMarks(rig.ui)), marksText(Marks{true, false, false}));
    rig.form.PLAY_4_Click();
    for (int move = 0; move < 6; ++move) {
        const auto squares = legalSquares(rig.form.state(), rig.form.state().turnColour);
        ASSERT_FALSE(squares.empty());
        clickSquare(rig.form, squares.front().first, squares.front().second);
    }
    ASSERT_EQ(rig.form.state().moveNumber, 6);

    // Everything goes while the game runs: the sounds are already made.
    for (const QString& name : QDir().entryList(QDir::Files))
        ASSERT_TRUE(QFile::remove(name));
    ASSERT_EQ(::rmdir(QFile::encodeName(QDir::currentPath()).constData()), 0);
    rig.ui.lines.clear();
    EXPECT_EQ(gameWhereNothingCanBeWritten(rig, 71), "");
    EXPECT_NE(rig.form.sounds().buffer(GameSounds::Sound::Stone), 0);
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    EXPECT_EQ(folderEntries(), std::vector<std::string>{});
}

}  // namespace
}  // namespace korvalo::testing
