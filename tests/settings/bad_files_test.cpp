// Settings files and working folders that cannot be used: the game goes on
// with the options as they are and never writes anything but Korvalo.ini.
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include "settings/settings_file.h"
#include "settings/settings_fixture.h"

namespace korvalo::testing {
namespace {

using Lines = std::vector<std::string>;

TEST_F(SettingsTest, AFolderNamedKorvaloIniIsNeitherReadNorReplaced)
{
    ASSERT_TRUE(QDir(".").mkdir("Korvalo.ini"));
    load();
    EXPECT_TRUE(g.lines().empty());
    EXPECT_EQ(marks(), "TEJYUN=0 AICON=0 BGM=1");

    // The switch still works; the file just cannot be kept.
    g.form.BGM_Click();
    EXPECT_EQ(g.lines(), (Lines{"check BGM 0", "sound dsStop BGM.wav"}));
    EXPECT_TRUE(QFileInfo("Korvalo.ini").isDir());
    EXPECT_EQ(entries(), (Lines{"Korvalo.ini"}));
    EXPECT_TRUE(QDir("Korvalo.ini").isEmpty());
}

TEST_F(SettingsTest, AWorkingFolderWhereNothingCanBeWritten)
{
    // A folder removed while it is the working folder takes no new file, not
    // even for root.
    ASSERT_TRUE(QDir(".").mkdir("gone"));
    ASSERT_TRUE(QDir::setCurrent("gone"));
    ASSERT_EQ(::rmdir(QDir::currentPath().toLocal8Bit().constData()), 0);

    load();
    EXPECT_TRUE(g.lines().empty());
    EXPECT_EQ(marks(), "TEJYUN=0 AICON=0 BGM=1");
    g.form.BGM_Click();
    g.form.BGM_Click();
    EXPECT_EQ(g.lines(), (Lines{"check BGM 0", "sound dsStop BGM.wav", "check BGM 1", "sound dsPlayLooping BGM.wav"}));
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    EXPECT_TRUE(entries().empty());
}

TEST_F(SettingsTest, AFileThatCannotBeReadIsLeftAlone)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads a file without read permission";
    put("BGM=NG\r\n");
    ASSERT_EQ(::chmod("Korvalo.ini", 0), 0);
    load();
    EXPECT_TRUE(g.lines().empty());
    EXPECT_EQ(marks(), "TEJYUN=0 AICON=0 BGM=1");
    ASSERT_EQ(::chmod("Korvalo.ini", 0600), 0);
    EXPECT_EQ(fileBytes(), "BGM=NG\r\n");
}

TEST_F(SettingsTest, APipeNamedKorvaloIniDoesNotBlockTheStart)
{
    ASSERT_EQ(::mkfifo("Korvalo.ini", 0600), 0);
    load();
    EXPECT_TRUE(g.lines().empty());
    EXPECT_EQ(marks(), "TEJYUN=0 AICON=0 BGM=1");
}

TEST_F(SettingsTest, AChainOfLinksIsReadAndItsFileRewrittenInPlace)
{
    // Longer than what replaces it: the rewritten file must be cut to its
    // new length.
    {
        QFile other("other.ini");
        ASSERT_TRUE(other.open(QIODevice::WriteOnly));
        other.write("BGM=NG\r\n; kept by hand, longer than the three lines that replace it\r\n");
    }
    ASSERT_TRUE(QFile::link("other.ini", "middle.ini"));
    ASSERT_TRUE(QFile::link("middle.ini", "Korvalo.ini"));
    struct stat before {};
    ASSERT_EQ(::stat("other.ini", &before), 0);
    load();
    EXPECT_EQ(g.lines(), (Lines{"check BGM 0", "sound dsStop BGM.wav"}));
    g.form.BGM_Click();
    EXPECT_EQ(fileBytes(), sjis("手順番号表示=NG\r\nｱｲｺﾝ表示=NG\r\nBGM=OK\r\n"));
    struct stat after {};
    ASSERT_EQ(::stat("other.ini", &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_TRUE(QFileInfo("Korvalo.ini").isSymLink());
    EXPECT_EQ(entries(), (Lines{"Korvalo.ini", "middle.ini", "other.ini"}));
}

TEST_F(SettingsTest, ALinkToNoFileIsNeitherFollowedNorMadeAndSaysWhyOnce)
{
    ASSERT_TRUE(QDir(".").mkdir("folder"));
    ASSERT_TRUE(QFile::link("last.ini", "middle.ini"));
    ASSERT_TRUE(QFile::link("middle.ini", "Korvalo.ini"));
    const Lines kept = {"Korvalo.ini", "folder", "middle.ini"};
    ::testing::internal::CaptureStderr();
    load();
    g.form.BGM_Click();
    g.form.BGM_Click();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "korvalo: Korvalo.ini: the link leads to last.ini, which does not exist; the options will not be kept\n");
    EXPECT_EQ(entries(), kept);

    // The options stay in memory whatever the link leads to.
    const std::pair<const char*, const char*> links[] = {
        {"middle.ini/x", "the link leads to last.ini/x, which does not exist"},
        {"Korvalo.ini", "the links go round in a loop"},
        {"folder", "the link leads to the folder folder"},
        {"/dev/null/x", "the link leads to /dev/null/x, which cannot be reached"},
    };
    for (const auto& [target, why] : links) {
        ASSERT_TRUE(QFile::remove("Korvalo.ini"));
        ASSERT_TRUE(QFile::link(target, "Korvalo.ini"));
        EXPECT_EQ(settings::whyOptionsAreNotKept(), why);
        setMarks(false, false, true);
        load();
        g.form.TEJYUN_Click();
        EXPECT_EQ(marks(), "TEJYUN=1 AICON=0 BGM=1") << target;
        EXPECT_EQ(entries(), kept) << target;
        EXPECT_TRUE(QDir("folder").isEmpty()) << target;
    }
}

}  // namespace
}  // namespace korvalo::testing
