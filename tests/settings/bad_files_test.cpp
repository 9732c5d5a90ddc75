// Settings files and working folders that cannot be used: the game goes on
// with the options as they are and never writes anything but Korvalo.ini.
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

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

TEST_F(SettingsTest, ALinkIsReadAndWrittenThroughAndStaysALink)
{
    // A link to a file: its settings are read, and a switch rewrites the file
    // it points to.
    {
        QFile other("other.ini");
        ASSERT_TRUE(other.open(QIODevice::WriteOnly));
        other.write("BGM=NG\r\n");
    }
    ASSERT_TRUE(QFile::link("other.ini", "Korvalo.ini"));
    load();
    EXPECT_EQ(g.lines(), (Lines{"check BGM 0", "sound dsStop BGM.wav"}));
    g.form.BGM_Click();
    EXPECT_EQ(fileBytes(), sjis("手順番号表示=NG\r\nｱｲｺﾝ表示=NG\r\nBGM=OK\r\n"));
    EXPECT_TRUE(QFileInfo("Korvalo.ini").isSymLink());
    EXPECT_EQ(entries(), (Lines{"Korvalo.ini", "other.ini"}));

    // A link to a link to a file that is not there: the file is made.
    ASSERT_TRUE(QFile::remove("Korvalo.ini"));
    ASSERT_TRUE(QFile::remove("other.ini"));
    ASSERT_TRUE(QFile::link("middle.ini", "Korvalo.ini"));
    ASSERT_TRUE(QFile::link("last.ini", "middle.ini"));
    g.form.TEJYUN_Click();
    EXPECT_EQ(fileBytes(), sjis("手順番号表示=OK\r\nｱｲｺﾝ表示=NG\r\nBGM=OK\r\n"));
    EXPECT_EQ(entries(), (Lines{"Korvalo.ini", "last.ini", "middle.ini"}));

    // A link into a folder that does not exist: nothing is saved.
    ASSERT_TRUE(QFile::remove("Korvalo.ini"));
    ASSERT_TRUE(QFile::link("missing/settings.ini", "Korvalo.ini"));
    g.form.TEJYUN_Click();
    EXPECT_FALSE(QFileInfo::exists("missing"));
    // A link to itself is a loop, not a file to write.
    ASSERT_TRUE(QFile::remove("Korvalo.ini"));
    ASSERT_TRUE(QFile::link("Korvalo.ini", "Korvalo.ini"));
    g.form.TEJYUN_Click();
    EXPECT_TRUE(QFileInfo("Korvalo.ini").isSymLink());
    EXPECT_EQ(entries(), (Lines{"Korvalo.ini", "last.ini", "middle.ini"}));
}

}  // namespace
}  // namespace korvalo::testing
