#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

struct Result {
    int code = -1;
    QString out;
    QString err;
};

Result runProgram(const QString& program, const QStringList& args, const QByteArray& input = {})
{
    QProcess process;
    process.start(program, args);
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

Result runDriver(const QStringList& args, const QByteArray& input = {})
{
    return runProgram(KORVALO_SCRIPT, args, input);
}

TEST(DriverProgram, ReadsStandardInputInItsFolderAndSavesSnapshots)
{
    QTemporaryDir dir;
    const Result r = runDriver({"--dir", dir.path()},
                               "menu AICON\nmenu JYUNBAN_1\nsnapshot start.png\nclick 4 3\nsnapshot after.png\nstate\n");
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("msgbox \"下の番です\" \"\" OK none -> OK"));
    EXPECT_TRUE(r.out.contains("icon ICO_MAN 1 shown 3600 6300"));
    EXPECT_TRUE(r.out.contains("state turn=1 mode=1 move=4 last=4"));
    // The settings file is written in the driver's folder.
    EXPECT_TRUE(QFile::exists(dir.filePath("Korvalo.ini")));

    const QImage start(dir.filePath("start.png"));
    const QImage after(dir.filePath("after.png"));
    ASSERT_FALSE(start.isNull());
    ASSERT_FALSE(after.isNull());
    // d3, empty at the start, holds a stone afterwards: the pixel at the
    // centre of the square leaves the square's green.
    const int x = (400 + 630 * 4 + 315) / 15, y = (100 + 630 * 3 + 315) / 15;
    EXPECT_EQ(start.pixelColor(x, y), QColor(0, 255, 0));
    EXPECT_NE(after.pixelColor(x, y), QColor(0, 255, 0));
    // The background around the board is the window's green.
    EXPECT_EQ(start.pixelColor(2, start.height() - 2), QColor(0, 128, 0));
}

TEST(DriverProgram, ScriptFileDrawingAndErrors)
{
    QTemporaryDir dir;
    QFile script(dir.filePath("game.txt"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("menu SONOTA\nbogus\nmenu EXIT\n");
    script.close();
    const Result bad = runDriver({"--draw", "--no-sound-library", "--dir", dir.path(), script.fileName()});
    EXPECT_EQ(bad.code, 2);
    EXPECT_TRUE(bad.err.contains("line 2"));
    EXPECT_TRUE(bad.out.contains("picture RABERU 0 7100 250"));
    EXPECT_TRUE(bad.out.contains("msgbox \"Korvalo  Ver 1.0\\r\\rHome page"));
    EXPECT_FALSE(bad.out.contains("sound "));

    EXPECT_EQ(runDriver({"--speed"}).code, 2);
    EXPECT_EQ(runDriver({"--ratio", "0"}).code, 2);
    EXPECT_EQ(runDriver({"--ratio"}).code, 2);
    EXPECT_EQ(runDriver({"--dir", dir.filePath("missing")}).code, 2);
    EXPECT_EQ(runDriver({dir.filePath("missing.txt")}).code, 2);

    const Result quit = runDriver({"--dir", dir.path(), "--no-sound-device"}, "close\nmenu JYUNBAN_1\n");
    EXPECT_EQ(quit.code, 0);
    EXPECT_TRUE(quit.out.endsWith("sound dsFree 0\nsound dsFree 0\nsound dsFree 0\nsound dsFree 0\nexit\n"))
        << quit.out.toStdString();
}

TEST(DriverProgram, SnapshotsAtAnotherRatioKeepEveryTraceLine)
{
    QTemporaryDir one, two;
    const QByteArray script = "menu TEJYUN\nmenu JYUNBAN_1\nclick 4 3\nsnapshot board.png\n";
    const Result plain = runDriver({"--draw", "--no-sound-library", "--dir", one.path()}, script);
    const Result dense = runDriver({"--draw", "--no-sound-library", "--ratio", "2", "--dir", two.path()}, script);
    ASSERT_EQ(dense.code, 0) << dense.err.toStdString();
    EXPECT_EQ(dense.out, plain.out);
    const QImage small(one.filePath("board.png"));
    const QImage large(two.filePath("board.png"));
    EXPECT_EQ(small.size(), QSize(653, 533));
    EXPECT_EQ(large.size(), QSize(1306, 1066));
    // Square a1 starts at pixel (69, 49), at ratio 2 at (138, 98).
    EXPECT_EQ(large.pixelColor(137, 98), QColor(0, 128, 0));
    EXPECT_EQ(large.pixelColor(138, 98), QColor(0, 255, 0));
}

TEST(DriverProgram, BothProgramsAnswerHelpAndVersionAndStopAtAWrongOption)
{
    for (const QString& program : {QStringLiteral(KORVALO_SCRIPT), QStringLiteral(KORVALO_PROGRAM)}) {
        const QString name = QFileInfo(program).fileName();
        const Result help = runProgram(program, {"--help"});
        EXPECT_EQ(help.code, 0) << name.toStdString();
        EXPECT_TRUE(help.out.startsWith("Usage: ")) << help.out.toStdString();
        EXPECT_TRUE(help.out.contains("--version")) << help.out.toStdString();
        const Result version = runProgram(program, {"--version"});
        EXPECT_EQ(version.code, 0);
        EXPECT_EQ(version.out, name + " 1.0\n");
        const Result wrong = runProgram(program, {"--fast"});
        EXPECT_EQ(wrong.code, 2);
        EXPECT_TRUE(wrong.out.isEmpty());
        EXPECT_TRUE(wrong.err.contains("'fast'") && wrong.err.contains("Usage: ")) << wrong.err.toStdString();
        // A join code that could never be joined, and every other shared
        // option that is wrong, is refused before anything is hosted, in the
        // same words by both (bytes that are no UTF-8 go through the shell).
        const std::pair<const char*, const char*> refusals[] = {
            {"--host --code 'ab cd'", "--code may not hold a blank"},
            {"--host --code abc", "--code needs at least 4 characters"},
            {"--host --code \"$(printf 'ab\\377cd')\"", "--code is not UTF-8"},
            {"--host --port 65536", "--port needs a port number"},
            {"--join 127.0.0.1 --code tesuto --seat any", "--seat takes black, blue, white, red or watch"},
            {"--computer fast", "--computer takes a level from 1 to 5, standard or strong"},
            {"--port-mapping", "--port-mapping goes with --host"}};
        for (const auto& [arguments, why] : refusals) {
            const Result refused = runProgram("/bin/sh", {"-c", QStringLiteral("exec \"$0\" %1").arg(arguments),
                                                          program});
            EXPECT_EQ(refused.code, 2) << arguments;
            EXPECT_TRUE(refused.err.contains(name + ": " + why + "\nUsage: ")) << refused.err.toStdString();
        }
    }
    // The window's keyboard play, which korvalo-script has no keyboard for.
    const Result keyboard = runProgram(KORVALO_SCRIPT, {"--keyboard"});
    EXPECT_EQ(keyboard.code, 2);
    EXPECT_TRUE(keyboard.err.contains("korvalo-script: --keyboard plays in the window; a script has no keyboard\nUsage: "))
        << keyboard.err.toStdString();
    EXPECT_FALSE(runProgram(KORVALO_SCRIPT, {"--help"}).out.contains("--keyboard"));
    EXPECT_TRUE(runProgram(KORVALO_PROGRAM, {"--help"}).out.contains("--keyboard"));
}

// A program that ends at a wrong option never opens the sound device (on a
// machine without one, giving up on it takes a tenth of a second).
TEST(DriverProgram, TheGameEndingAtAWrongOptionLeavesTheSoundDeviceClosed)
{
    QTemporaryDir dir;
    const QString output = dir.filePath("sound.raw");
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", output.toLocal8Bit());
    const Result wrong = runProgram(KORVALO_PROGRAM, {"--fast"});
    qunsetenv("SDL_AUDIODRIVER");
    qunsetenv("SDL_DISKAUDIOFILE");
    EXPECT_TRUE(wrong.err.contains("'fast'")) << wrong.err.toStdString();
    EXPECT_FALSE(QFile::exists(output));
}

TEST(DriverProgram, AScriptNamedInAnyEncodingIsRead)
{
    QTemporaryDir dir;
    // A name in Latin-1, which is no UTF-8: its bytes must reach the system as they are.
    const QByteArray name = QFile::encodeName(dir.path()) + "/partie-\xe9t\xe9.txt";
    std::FILE* file = std::fopen(name.constData(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("menu JYUNBAN_1\nstate\n", file);
    std::fclose(file);
    // QProcess passes arguments through the locale's encoding; the raw bytes
    // go through the shell instead.
    QProcess process;
    process.setProgram("/bin/sh");
    process.setArguments({"-c", "exec \"$0\" --no-sound-library --dir \"$1\" \"$(printf '%s/partie-\\351t\\351.txt' \"$1\")\"",
                          KORVALO_SCRIPT, dir.path()});
    process.start();
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_TRUE(process.readAllStandardOutput().contains("state turn=1 mode=1"));
}

TEST(DriverProgram, EachLevelChoosesTheSameSquaresInAFreshProcess)
{
    // Three computer colours open before the person on red.
    const QByteArray script = "menu JYUNBAN_4\nstate\n";
    QTemporaryDir dir;
    const Result standard = runDriver({"--computer", "standard", "--no-sound-library", "--dir", dir.path()}, script);
    for (const char* level : {"1", "4"}) {
        const Result first = runDriver({"--computer", level, "--no-sound-library", "--dir", dir.path()}, script);
        const Result second = runDriver({"--computer", level, "--no-sound-library", "--dir", dir.path()}, script);
        ASSERT_EQ(first.code, 0) << first.err.toStdString();
        EXPECT_TRUE(first.out.contains("state turn=4 mode=4 move=3")) << first.out.toStdString();
        EXPECT_EQ(first.out, second.out) << "level " << level;
        EXPECT_NE(first.out, standard.out) << "level " << level;
    }
    EXPECT_EQ(runDriver({"--computer", "best"}, script).code, 2);
}

}  // namespace
