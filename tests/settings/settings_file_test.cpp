#include <QFile>
#include <QStringDecoder>
#include <random>

#include "settings/settings_file.h"
#include "settings/settings_fixture.h"

namespace korvalo::testing {
namespace {

using Lines = std::vector<std::string>;

// Korvalo.ini as the game writes it, byte for byte.
const std::string numbersKey = "8E E8 8F 87 94 D4 8D 86 95 5C 8E A6";  // 手順番号表示
const std::string iconsKey = "B1 B2 BA DD 95 5C 8E A6";                // ｱｲｺﾝ表示, half-width
const std::string musicKey = "42 47 4D";                               // BGM
const std::string ok = " 3D 4F 4B 0D 0A";                              // =OK CR LF
const std::string ng = " 3D 4E 47 0D 0A";                              // =NG CR LF

TEST_F(SettingsTest, FirstStartWritesTheMarksInShiftJisAndChangesNothing)
{
    load();
    EXPECT_EQ(hex(fileBytes()), numbersKey + ng + " " + iconsKey + ng + " " + musicKey + ok);
    EXPECT_EQ(marks(), "TEJYUN=0 AICON=0 BGM=1");
    // "BGM=OK" read while the music plays starts the loop again.
    EXPECT_EQ(g.lines(), (Lines{"sound dsPlayLooping BGM.wav"}));
    EXPECT_EQ(entries(), (Lines{"Korvalo.ini"}));
}

TEST_F(SettingsTest, WritingReplacesTheWholeFileWithTheThreeMarks)
{
    put(std::string(300, 'x') + "\r\nBGM=NG\r\n");
    setMarks(true, true, false);
    g.form.settings().書込_環境設定ファイル();
    EXPECT_EQ(hex(fileBytes()), numbersKey + ok + " " + iconsKey + ok + " " + musicKey + ng);
    EXPECT_TRUE(g.lines().empty());

    for (int m = 0; m < 8; ++m) {
        const bool numbers = m & 1, icons = m & 2, music = m & 4;
        setMarks(numbers, icons, music);
        g.form.settings().書込_環境設定ファイル();
        EXPECT_EQ(settings::parse(fileBytes()),
                  (std::vector<settings::Setting>{{CheckItem::TEJYUN, numbers},
                                                  {CheckItem::AICON, icons},
                                                  {CheckItem::BGM, music}}))
            << "marks " << m;
    }
    EXPECT_EQ(entries(), (Lines{"Korvalo.ini"}));
}

TEST_F(SettingsTest, StoredMusicOffStopsTheMusicAndTakesTheMark)
{
    EXPECT_EQ(readBack(sjis("手順番号表示=NG\r\nｱｲｺﾝ表示=OK\r\nBGM=NG\r\n")),
              (Lines{"check AICON 1", "check BGM 0", "sound dsStop BGM.wav"}));
    EXPECT_EQ(marks(), "TEJYUN=0 AICON=1 BGM=0");
    EXPECT_TRUE(g.lib.looping.empty());
}

TEST_F(SettingsTest, StoredIconsOffHidesTheIconShown)
{
    setMarks(false, true, true);
    g.ui.moveIcon(IconPicture::ICO_MAN, 3, 3600, 300);
    g.ui.setIconVisible(IconPicture::ICO_MAN, 3, true);
    g.clear();
    put(sjis("ｱｲｺﾝ表示=NG\r\n"));
    load();
    EXPECT_EQ(g.lines(), (Lines{"check AICON 0", "icon ICO_MAN 3 hidden"}));
}

TEST_F(SettingsTest, KeysAndValuesDifferingInCaseWidthOrBlanksChangeNothing)
{
    // Each would switch an option if it matched: the marks are TEJYUN and
    // AICON off, BGM on.
    const char* const variants[] = {
        "bgm=NG", "Bgm=NG", "BGM=ng", "BGM=Ng", "ＢＧＭ=NG", "BGM=ＮＧ", "BGM＝NG",
        " BGM=NG", "BGM =NG", "BGM= NG", "BGM=NG ", "BGM=NG\t", "BGM　=NG", "BGM=NG　",
        "アイコン表示=OK", "ｱｲｺﾝ表示=ＯＫ", "ｱｲｺﾝ表示=ok", "ｱｲｺﾝ 表示=OK",
        "手順番号表示=ok", "手順番号表示 =OK", "手順番号=OK", "手順番号表示=OKAY", "手順番号表示=",
    };
    for (const char* variant : variants) {
        EXPECT_TRUE(readBack(sjis(std::string(variant) + "\r\n")).empty()) << variant;
        EXPECT_EQ(marks(), "TEJYUN=0 AICON=0 BGM=1") << variant;
        EXPECT_EQ(fileBytes(), sjis(std::string(variant) + "\r\n")) << "rewritten: " << variant;
    }
}

TEST_F(SettingsTest, KnownLinesApplyInFileOrderAmongOtherLines)
{
    const std::string file = sjis(
        "[Korvalo]\r\nBGM=NG\r\n; comment\r\nFOO=OK\r\nBGM=OK\r\n手順番号表示=OK\r\n"
        "ｱｲｺﾝ表示=OK\r\nBGM=NG\r\n");
    EXPECT_EQ(readBack(file), (Lines{"check BGM 0", "sound dsStop BGM.wav", "check BGM 1",
                                     "sound dsPlayLooping BGM.wav", "check TEJYUN 1", "check AICON 1",
                                     "check BGM 0", "sound dsStop BGM.wav"}));
    EXPECT_EQ(marks(), "TEJYUN=1 AICON=1 BGM=0");
    EXPECT_EQ(fileBytes(), file);
}

TEST_F(SettingsTest, ALineWithoutItsOwnKeyKeepsTheKeyOfTheLineBefore)
{
    EXPECT_EQ(readBack("BGM=OK\r\n=NG\r\n"),
              (Lines{"sound dsPlayLooping BGM.wav", "check BGM 0", "sound dsStop BGM.wav"}));
    // Without "=" the whole line is the value.
    EXPECT_EQ(readBack(sjis("手順番号表示=NG\r\nOK\r\n")), (Lines{"check TEJYUN 1"}));
    // The key stays in force over several lines, and a blank line changes nothing.
    EXPECT_EQ(readBack(sjis("手順番号表示=x\r\n\r\n=OK\r\n")), (Lines{"check TEJYUN 1"}));
    // The first line has no key to keep; an unknown key is kept as well.
    EXPECT_TRUE(readBack("=NG\r\nNG\r\n").empty());
    EXPECT_TRUE(readBack("BGM=OK\r\nFOO=OK\r\n=NG\r\nNG\r\n") == Lines{"sound dsPlayLooping BGM.wav"});
    // Only the first "=" splits the line.
    EXPECT_TRUE(readBack("BGM=NG=NG\r\n").empty());
}

TEST_F(SettingsTest, EmptyFileChangesNothingAndStaysEmpty)
{
    EXPECT_TRUE(readBack("").empty());
    EXPECT_EQ(marks(), "TEJYUN=0 AICON=0 BGM=1");
    EXPECT_EQ(fileBytes(), "");
}

TEST_F(SettingsTest, LinesMayEndInLineFeedAloneOrNotAtAll)
{
    EXPECT_EQ(readBack(sjis("手順番号表示=OK\nBGM=NG")),
              (Lines{"check TEJYUN 1", "check BGM 0", "sound dsStop BGM.wav"}));
    EXPECT_EQ(readBack("BGM=NG\r"), (Lines{"check BGM 0", "sound dsStop BGM.wav"}));
}

TEST_F(SettingsTest, BytesThatAreNotShiftJisMatchNothing)
{
    // A lead byte without its second byte must not swallow the line end and
    // spoil the next line.
    EXPECT_EQ(readBack(sjis("BGM=NG") + "\x81\r\n" + sjis("手順番号表示=OK\r\n")), (Lines{"check TEJYUN 1"}));
    EXPECT_TRUE(readBack("\xFF" "BGM=NG\r\nBGM=N\x81\r\n\x82\r\nBGM=NG\xFC\r\n").empty());
    EXPECT_TRUE(readBack(std::string("BGM=NG\0\r\n", 9)).empty());
    // A broken value still names its key for the lines after it.
    EXPECT_EQ(readBack("BGM=N\x81\r\n=NG\r\n"), (Lines{"check BGM 0", "sound dsStop BGM.wav"}));
    // ｱｲｺ表示 with one katakana missing, and ｱｲｺﾝ表 followed by half a character.
    EXPECT_TRUE(readBack("\xB1\xB2\xBA" "\x95\x5C\x8E\xA6=OK\r\n\xB1\xB2\xBA\xDD\x95\x5C\x8E=OK\r\n").empty());

    std::mt19937 random(20240601);
    std::string noise(8192, '\0');
    for (char& b : noise)
        b = static_cast<char>(random() & 0xFF);
    EXPECT_TRUE(readBack(noise).empty());
    EXPECT_EQ(marks(), "TEJYUN=0 AICON=0 BGM=1");
    EXPECT_EQ(fileBytes(), noise);
}

TEST(SettingsLines, TheGamesOwnLinesReadWithoutAConverterAsShiftJisReadsThem)
{
    // Read so, a start that finds the game's own file opens no converter.
    QStringDecoder decoder("Shift_JIS");
    for (const char* line : {"手順番号表示=OK", "ｱｲｺﾝ表示=NG", "BGM=OK", "=NG", "手順番号表示", "ｱｲｺﾝ表示ｱｲｺﾝ表示=BGM OK"}) {
        const std::string bytes = sjis(line);
        const std::optional<QString> text = settings::plainLineText(bytes);
        ASSERT_TRUE(text) << line;
        EXPECT_EQ(*text, decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size()))))
            << line;
    }
    // Every other line is left to the converter.
    for (const std::string& bytes : {sjis("手順=OK"), sjis("BGM=表示"), std::string("BGM=N\x81"),
                                     std::string("\xB1\xB2\xBA\xDD\x95\x5C\x8E=OK"), std::string("C:\\"),
                                     std::string("BGM=~"), std::string("BGM=OK\t")})
        EXPECT_FALSE(settings::plainLineText(bytes)) << hex(bytes);
}

TEST_F(SettingsTest, AHugeFileIsReadOnlyUpToTheLimit)
{
    // Whole lines before the limit apply; the rest of the file is not read.
    const std::string longLine(5 * 1024 * 1024, 'x');
    const std::string file = "BGM=NG\r\n" + longLine + "\r\n" + sjis("手順番号表示=OK\r\n");
    EXPECT_EQ(readBack(file), (Lines{"check BGM 0", "sound dsStop BGM.wav"}));
    EXPECT_EQ(fileBytes().size(), file.size());

    // A file without any line end: the line the limit cuts is never applied.
    std::string repeated;
    while (repeated.size() < 3 * 1024 * 1024)
        repeated += "BGM=NG";
    EXPECT_TRUE(readBack(repeated).empty());
    EXPECT_EQ(entries(), (Lines{"Korvalo.ini"}));
}

TEST_F(SettingsTest, AFailedWriteIsTriedOnceMoreWithTheFixedContent)
{
    std::vector<std::string> attempts;
    auto failing = [&](const std::string& text) {
        attempts.push_back(text);
        return false;
    };
    EXPECT_FALSE(settings::save({.moveNumbers = true, .icons = false, .music = true}, failing));
    EXPECT_EQ(attempts, (Lines{"手順番号表示=OK\r\nｱｲｺﾝ表示=NG\r\nBGM=OK\r\n",
                               "手順番号表示=NG\r\nｱｲｺﾝ表示=OK\r\nBGM=NG\r\n"}));

    attempts.clear();
    auto working = [&](const std::string& text) {
        attempts.push_back(text);
        return true;
    };
    EXPECT_TRUE(settings::save({.moveNumbers = true, .icons = false, .music = true}, working));
    EXPECT_EQ(attempts.size(), 1u);
}

}  // namespace
}  // namespace korvalo::testing
