// The game beside a settings file it can write only in place or only
// through a link, and beside links it must not follow or write through: no
// message box is shown, the options keep sensible states, and nothing but
// the file the player's own link leads to is ever written.
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

// ---- Files the player can write where the game could not before

// Starts the game, switches the music off and closes the window.
std::string switchTheMusicOff()
{
    Rig rig(Library::Present);
    rig.form.Form_Load();
    if (!boxes(rig.ui).empty())
        return "start-up showed " + boxes(rig.ui).front();
    rig.form.BGM_Click();
    if (std::string problem = musicProblem(rig); !problem.empty())
        return problem;
    return closeWindow(rig);
}

const std::string musicOnText = "手順番号表示=NG\r\nｱｲｺﾝ表示=NG\r\nBGM=OK\r\n";
const std::string musicOffText = "手順番号表示=NG\r\nｱｲｺﾝ表示=NG\r\nBGM=NG\r\n";

ino_t inodeOf(const char* path)
{
    struct stat info {};
    return ::stat(path, &info) == 0 ? info.st_ino : 0;
}

TEST(HostileSettings, AWritableFileInAFolderThatTakesNoNewFileIsRewrittenInPlace)
{
    TemporaryWorkingFolder folder;
    writeGameWaveFiles();
    // Longer than what replaces it: the rewritten file must be cut to its
    // new length.
    ASSERT_TRUE(putFile("Korvalo.ini", shiftJis(musicOnText + "; kept by hand\r\n")));
    ASSERT_EQ(::chmod("Korvalo.ini", 0666), 0);
    const ino_t inode = inodeOf("Korvalo.ini");
    ASSERT_EQ(::chmod(QFile::encodeName(folder.path()).constData(), 0555), 0);
    const std::optional<std::string> report = runAsOrdinaryUser([] {
        if (::access(".", W_OK) == 0)
            return std::string("the ordinary user may make files in the folder");
        return switchTheMusicOff();
    });
    ASSERT_EQ(::chmod(QFile::encodeName(folder.path()).constData(), 0700), 0);
    if (!report)
        GTEST_SKIP() << "this process cannot drop root to the user nobody";
    EXPECT_EQ(*report, "");
    EXPECT_EQ(fileContent("Korvalo.ini"), shiftJis(musicOffText));
    EXPECT_EQ(inodeOf("Korvalo.ini"), inode);
    EXPECT_EQ(sorted(folderEntries()), withSettingsFile(waveFiles()));
}

TEST(HostileSettings, ALinkedFileIsRewrittenInPlaceAndKeepsInodeModeOwnerAndGroup)
{
    TemporaryWorkingFolder folder;
    writeGameWaveFiles();
    // The player's settings live in a folder of their own, where a new file
    // could replace them; the working folder takes no new file from the
    // player. Longer than what replaces it, the file must be cut to its new
    // length.
    ASSERT_TRUE(QDir().mkdir("kept"));
    ASSERT_EQ(::chmod("kept", 0777), 0);
    ASSERT_TRUE(putFile("kept/settings.ini", shiftJis(musicOnText + "; kept by hand\r\n")));
    ASSERT_EQ(::chmod("kept/settings.ini", 0640), 0);
    // As root: the player nobody owns the file, in a group not theirs, which
    // a new file of theirs would not get.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown("kept/settings.ini", nobody, 0), 0);
    }
    ASSERT_TRUE(QFile::link("kept/settings.ini", "Korvalo.ini"));
    ASSERT_EQ(::chmod(QFile::encodeName(folder.path()).constData(), 0755), 0);
    struct stat before {};
    ASSERT_EQ(::stat("kept/settings.ini", &before), 0);
    const std::optional<std::string> report = runAsOrdinaryUser(switchTheMusicOff);
    if (!report)
        GTEST_SKIP() << "this process cannot drop root to the user nobody";
    EXPECT_EQ(*report, "");
    EXPECT_EQ(fileContent("kept/settings.ini"), shiftJis(musicOffText));
    struct stat after {};
    ASSERT_EQ(::stat("kept/settings.ini", &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_TRUE(QFileInfo("Korvalo.ini").isSymLink());
    EXPECT_EQ(QDir("kept").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"settings.ini"});

    // Dangling, into a folder the player may write: nothing is made there.
    ASSERT_TRUE(QFile::remove("kept/settings.ini"));
    EXPECT_EQ(runAsOrdinaryUser(switchTheMusicOff), "");
    EXPECT_TRUE(QDir("kept").isEmpty());
    EXPECT_TRUE(QFileInfo("Korvalo.ini").isSymLink());
    std::vector<std::string> names = waveFiles();
    names.push_back("kept");
    EXPECT_EQ(sorted(folderEntries()), withSettingsFile(names));
}

// Links to a device and to a pipe, followed by root, the user whom no
// permission stops: switches work, nothing blocks, and both stay as they are.
TEST(HostileSettings, LinksToADeviceOrAPipeLeaveThemAsTheyAre)
{
    TemporaryWorkingFolder folder;
    writeGameWaveFiles();
    // A null device of this test's own, so that a fault cannot harm the
    // system's; the real one only for a user who cannot replace it.
    const bool ownNode = ::mknod("null", S_IFCHR | 0666, makedev(1, 3)) == 0;
    if (!ownNode && ::geteuid() == 0)
        GTEST_SKIP() << "no device node can be made here, and root is not let near the real /dev/null";
    const std::string device = ownNode ? "null" : "/dev/null";
    ASSERT_EQ(::mkfifo("pipe", 0666), 0);
    for (const std::string& target : {device, std::string("pipe")}) {
        SCOPED_TRACE(target);
        ::unlink("Korvalo.ini");
        ASSERT_EQ(::symlink(target.c_str(), "Korvalo.ini"), 0);
        struct stat before {};
        ASSERT_EQ(::lstat(target.c_str(), &before), 0);
        // The null device is the player's way to throw the settings away:
        // nothing to say about it.
        EXPECT_EQ(settings::whyOptionsAreNotKept().empty(), target == device);
        const std::optional<std::string> report = runInChild([] {
            Rig rig(Library::Present);
            rig.form.Form_Load();
            if (checkMarks(rig.ui) != startMarks)
                return "start-up shows " + marksText(checkMarks(rig.ui));
            if (std::string problem = switchEachOptionTwice(rig, [] { return std::string(); }); !problem.empty())
                return problem;
            return closeWindow(rig);
        });
        EXPECT_EQ(report, "");
        struct stat after {};
        ASSERT_EQ(::lstat(target.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_rdev, before.st_rdev);
        EXPECT_EQ(after.st_ino, before.st_ino);
    }
}

// A shared folder such as /tmp, where the user nobody has planted a link to
// a file in a folder only root may enter; then root plays there.
TEST(HostileSettings, ALinkPlantedByAnotherUserIsNotFollowed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, whom the planted link is to mislead, and the user nobody to plant it";
    TemporaryWorkingFolder folder;
    writeGameWaveFiles();
    ASSERT_EQ(::chmod(QFile::encodeName(folder.path()).constData(), 01777), 0);
    ASSERT_TRUE(QDir().mkdir("private"));
    ASSERT_EQ(::chmod("private", 0700), 0);
    const std::string secret = shiftJis(musicOffText);  // switches the music off when read
    ASSERT_TRUE(putFile("private/secret.ini", secret));
    const ino_t inode = inodeOf("private/secret.ini");
    const std::optional<std::string> planted = runInChild(
        [] {
            return ::symlink("private/secret.ini", "Korvalo.ini") == 0 ? std::string() : std::strerror(errno);
        },
        true);
    if (!planted)
        GTEST_SKIP() << "this process cannot drop root to the user nobody";
    ASSERT_EQ(*planted, "");

    ::testing::internal::CaptureStderr();
    Rig rig(Library::Present);
    rig.form.Form_Load();
    EXPECT_EQ(marksText(checkMarks(rig.ui)), marksText(startMarks));
    const auto untouched = [&] {
        return fileContent("private/secret.ini") == secret && inodeOf("private/secret.ini") == inode
                   ? std::string()
                   : "the file in the private folder was written";
    };
    EXPECT_EQ(switchEachOptionTwice(rig, untouched), "");
    EXPECT_EQ(closeWindow(rig), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "korvalo: Korvalo.ini: the link Korvalo.ini belongs to another user and is not followed; the options "
              "will not be kept\n");
    EXPECT_TRUE(QFileInfo("Korvalo.ini").isSymLink());
    EXPECT_EQ(QDir("private").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"secret.ini"});
}

// Makes a folder inside the current one, enters it and removes it: a working
// folder that takes no new file, not even from root.

}  // namespace
}  // namespace korvalo::testing
