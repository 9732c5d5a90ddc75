// The game started without its sound library, without a sound device, and
// with each wave file missing or damaged. Start-up warns where it should and
// names the file it cannot use, that sound stays silent with handle 0, and a
// whole game is then played to the ranking with every check of the game
// watch. Nothing in the working folder is written but Korvalo.ini.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <map>

#include "hostile/hostile_support.h"
#include "property/settings_text.h"
#include "support/game_driver.h"

namespace korvalo::testing {
namespace {

const char* const waveNames[] = {"その他.wav", "禁止.wav", "石打音.wav", "BGM.wav"};

std::array<int32_t, 4> handles(const Form1& form)
{
    using Sound = GameSounds::Sound;
    const GameSounds& sounds = form.sounds();
    return {sounds.buffer(Sound::Other), sounds.buffer(Sound::Forbidden), sounds.buffer(Sound::Stone),
            sounds.buffer(Sound::Music)};
}

const Marks startMarks = {false, false, true};  // no file: only the music is on

TEST(HostileSound, WithoutTheLibraryTheGameStartsWithoutAWordAndPlaysSilently)
{
    TemporaryWorkingFolder folder;
    writeGameWaveFiles();
    FolderEvents events(folder.path());
    ASSERT_TRUE(events.isValid());
    Rig rig(Library::Missing);
    rig.form.Form_Load();
    EXPECT_TRUE(boxes(rig.ui).empty());
    EXPECT_EQ(handles(rig.form), (std::array<int32_t, 4>{}));
    EXPECT_EQ(marksText(checkMarks(rig.ui)), marksText(startMarks));

    EXPECT_EQ(playToTheRanking(rig, SettingsFile::Kept, 11, 0), "");
    EXPECT_EQ(closeWindow(rig), "");
    EXPECT_TRUE(rig.lib.looping.empty());
    EXPECT_EQ(events.otherNames(), std::set<std::string>{});
}

TEST(HostileSound, WithoutADeviceOneWarningAndEveryBufferIsZero)
{
    TemporaryWorkingFolder folder;
    writeGameWaveFiles();
    FolderEvents events(folder.path());
    ASSERT_TRUE(events.isValid());
    Rig rig(Library::NoDevice);
    rig.form.Form_Load();
    EXPECT_EQ(boxes(rig.ui), std::vector<std::string>{"msgbox \"Direct Soundインターフェースが作成できません。\" "
                                                      "\"Korvalo.dll\" OK exclamation -> OK"});
    EXPECT_TRUE(linesStartingWith(rig.ui.lines, "sound dsCreateDSB").empty());
    EXPECT_EQ(handles(rig.form), (std::array<int32_t, 4>{}));
    EXPECT_EQ(marksText(checkMarks(rig.ui)), marksText(startMarks));

    EXPECT_EQ(playToTheRanking(rig, SettingsFile::Kept, 12, 6), "");
    EXPECT_EQ(closeWindow(rig), "");  // frees handle 0 four times, closes nothing
    EXPECT_FALSE(rig.lib.terminated);
    EXPECT_EQ(events.otherNames(), std::set<std::string>{});
}

TEST(HostileSound, AWaveFileThatIsANamedPipeDoesNotHoldUpStartUp)
{
    TemporaryWorkingFolder folder;
    writeGameWaveFiles();
    ASSERT_TRUE(QFile::remove("石打音.wav"));
    ASSERT_EQ(::mkfifo("石打音.wav", 0600), 0);
    // Nothing ever writes into the pipe: a start-up that opens it waits for ever.
    const std::optional<std::string> report = runInChild(
        [] {
            Rig rig(Library::Present);
            rig.form.Form_Load();
            const std::vector<std::string> warnings = boxes(rig.ui);
            if (warnings.size() != 1 || warnings.front().find("「石打音.wav」") == std::string::npos)
                return std::string("start-up did not warn once about 石打音.wav");
            if (rig.form.sounds().buffer(GameSounds::Sound::Stone) != 0)
                return std::string("a buffer was made from a pipe");
            if (std::string problem = playToTheRanking(rig, SettingsFile::Kept, 81, 2); !problem.empty())
                return problem;
            return closeWindow(rig);
        },
        false, 10);
    ASSERT_TRUE(report);
    EXPECT_EQ(*report, "");
}

enum class Defect { Missing, Empty, Truncated, ClaimsTooMuch, ClaimsTooLittle, NotRiff, Folder };

struct WaveCase {
    int file;  // index into waveNames
    Defect defect;
};

std::string caseName(const WaveCase& c)
{
    static const char* const files[] = {"Other", "Forbidden", "Stone", "Music"};
    static const char* const defects[] = {"Missing", "Empty",   "Truncated", "ClaimsTooMuch",
                                          "ClaimsTooLittle", "NotRiff", "Folder"};
    return std::string(files[c.file]) + defects[static_cast<int>(c.defect)];
}

void setRiffSize(std::string& image, uint32_t size)
{
    for (int i = 0; i < 4; ++i)
        image[static_cast<std::size_t>(4 + i)] = static_cast<char>((size >> (8 * i)) & 0xFF);
}

// Damages the (valid) wave file name in the working folder as the case says.
// Returns false when that could not be done.
bool damage(const std::string& name, Defect defect)
{
    const std::optional<std::string> good = fileContent(name);
    if (!good || good->size() < 60)
        return false;
    std::string bytes = *good;
    switch (defect) {
    case Defect::Missing: return QFile::remove(QString::fromStdString(name));
    case Defect::Folder:
        return QFile::remove(QString::fromStdString(name)) && QDir().mkdir(QString::fromStdString(name));
    case Defect::Empty: bytes.clear(); break;
    case Defect::Truncated: bytes.resize(bytes.size() / 2); break;  // cut among the samples
    case Defect::ClaimsTooMuch: setRiffSize(bytes, 0xFFFFFFF0u); break;
    case Defect::ClaimsTooLittle: setRiffSize(bytes, 36); break;  // ends after the data chunk's header
    case Defect::NotRiff: bytes = "[Sound]\r\nfile=stone\r\nvolume=80\r\n"; break;
    }
    return putFile(name, bytes);
}

class HostileWave : public ::testing::TestWithParam<WaveCase> {};

TEST_P(HostileWave, NamesTheFileItCannotUseAndPlaysOnWithoutThatSound)
{
    const WaveCase c = GetParam();
    const std::string name = waveNames[c.file];
    TemporaryWorkingFolder folder;
    writeGameWaveFiles();
    ASSERT_TRUE(damage(name, c.defect));
    std::map<std::string, std::optional<std::string>> contents;
    for (const char* wave : waveNames)
        contents[wave] = fileContent(wave);
    FolderEvents events(folder.path());
    ASSERT_TRUE(events.isValid());

    Rig rig(Library::Present);
    rig.form.Form_Load();
    const std::vector<std::string> warnings = boxes(rig.ui);
    if (c.defect == Defect::Missing) {
        EXPECT_TRUE(warnings.empty()) << warnings.front();
    } else {
        ASSERT_EQ(warnings.size(), 1u);
        const std::string& box = warnings.front();
        EXPECT_EQ(box.rfind("msgbox \"", 0), 0u);
        const std::size_t named = box.find("「" + name + "」");
        const std::size_t title = box.find("\" \"Korvalo.dll\" OK exclamation -> OK");
        ASSERT_NE(named, std::string::npos) << box;
        ASSERT_NE(title, std::string::npos) << box;
        // The line that names the file is followed by what is wrong with it.
        const std::size_t reason = box.find("\\n", named);
        ASSERT_NE(reason, std::string::npos) << box;
        EXPECT_GT(title, reason + 2) << box;
    }
    const std::array<int32_t, 4> made = handles(rig.form);
    for (int i = 0; i < 4; ++i) {
        if (i == c.file)
            EXPECT_EQ(made[static_cast<std::size_t>(i)], 0);
        else
            EXPECT_EQ(rig.lib.nameOf(made[static_cast<std::size_t>(i)]), waveNames[i]);
    }
    EXPECT_TRUE(linesStartingWith(rig.ui.lines, "sound dsCreateDSB " + name).empty());
    // The music's mark stays set even when there is no music to play.
    EXPECT_EQ(marksText(checkMarks(rig.ui)), marksText(startMarks));

    EXPECT_EQ(playToTheRanking(rig, SettingsFile::Kept, 100u + static_cast<uint32_t>(c.file),
                               static_cast<std::size_t>(c.defect) % allSeatings.size()),
              "");
    EXPECT_EQ(closeWindow(rig), "");
    for (const char* wave : waveNames)
        EXPECT_EQ(fileContent(wave), contents[wave]) << wave;
    EXPECT_EQ(events.otherNames(), std::set<std::string>{});
}

std::vector<WaveCase> waveCases()
{
    std::vector<WaveCase> out;
    for (int file = 0; file < 4; ++file)
        for (Defect defect : {Defect::Missing, Defect::Empty, Defect::Truncated, Defect::ClaimsTooMuch,
                              Defect::ClaimsTooLittle, Defect::NotRiff, Defect::Folder})
            out.push_back({file, defect});
    return out;
}

INSTANTIATE_TEST_SUITE_P(EachFileEachDefect, HostileWave, ::testing::ValuesIn(waveCases()),
                         [](const auto& info) { return caseName(info.param); });

}  // namespace
}  // namespace korvalo::testing
