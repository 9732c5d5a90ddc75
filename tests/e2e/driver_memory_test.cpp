// The scenario driver over a long session: it prints each event as it
// happens and keeps none of them, so two hundred games need no more memory
// than one.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/game_driver.h"

namespace korvalo::testing {
namespace {

// One whole game of black against three computer colours: the seating, then
// black's first legal square in scan order at each of its turns. The last
// question ("続けます？") is answered Yes by default, which leaves the
// starting position for the next seating.
std::string oneGame()
{
    LoadedGame loaded(false);
    Form1& form = loaded.game.form;
    std::string script = "menu JYUNBAN_1\n";
    form.JYUNBAN_1_Click();
    for (int presses = 0; loaded.game.s.turnColour != noneValue; ++presses) {
        if (presses > 100) {
            ADD_FAILURE() << "the game did not end";
            break;
        }
        const auto squares = legalSquares(loaded.game.s, loaded.game.s.turnColour);
        const auto [column, row] = squares.empty() ? std::pair(1, 1) : squares.front();
        script += "click " + std::to_string(column) + " " + std::to_string(row) + "\n";
        clickSquare(form, column, row);
    }
    return script;
}

// Runs the driver on games copies of the game and gives its peak resident
// memory in KiB, read from /proc once the whole script has been played: the
// script ends with "state", and the driver waits for more input until its
// standard input is closed.
long peakMemoryAfter(const std::string& game, int games, QString* problem)
{
    QByteArray script;
    for (int i = 0; i < games; ++i)
        script += QByteArray::fromStdString(game);
    script += "state\n";

    TemporaryWorkingFolder folder;
    QProcess driver;
    // Under AddressSanitizer freed memory waits in a quarantine of up to
    // 256 MiB before it is used again; without it the peak shows the
    // program's own memory in the sanitizer build too.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString asan = environment.value("ASAN_OPTIONS");
    environment.insert("ASAN_OPTIONS", (asan.isEmpty() ? "" : asan + ":") +
                                           "quarantine_size_mb=0:thread_local_quarantine_size_kb=0");
    driver.setProcessEnvironment(environment);
    driver.start(KORVALO_SCRIPT, {"--dir", folder.path()});
    if (!driver.waitForStarted()) {
        *problem = "the driver did not start";
        return -1;
    }
    driver.write(script);
    QByteArray pending;  // output not yet split into lines
    qint64 endings = 0;
    for (bool done = false; !done;) {
        if (!driver.waitForReadyRead(120000)) {
            *problem = "the driver stopped before the end of the script";
            driver.kill();
            driver.waitForFinished();
            return -1;
        }
        pending += driver.readAllStandardOutput();
        for (qsizetype end; !done && (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QByteArrayView line(pending.constData(), end);
            endings += line.startsWith("msgbox \"続けます？\"");
            done = line.startsWith("row 9 ");
        }
    }
    QFile status(QString("/proc/%1/status").arg(driver.processId()));
    const bool read = status.open(QIODevice::ReadOnly);
    const QString text = read ? QString::fromLatin1(status.readAll()) : QString();
    driver.closeWriteChannel();
    driver.waitForFinished();
    if (endings != games) {
        *problem = QString("%1 games ended, not %2").arg(endings).arg(games);
        return -1;
    }
    const QRegularExpressionMatch peak = QRegularExpression("VmHWM:\\s*(\\d+) kB").match(text);
    if (!peak.hasMatch()) {
        *problem = "no VmHWM in " + status.fileName();
        return -1;
    }
    return peak.captured(1).toLong();
}

TEST(DriverMemory, TwoHundredGamesPeakWithinTwoMiBOfOne)
{
    const std::string game = oneGame();
    QString problem;
    const long one = peakMemoryAfter(game, 1, &problem);
    ASSERT_GT(one, 0) << problem.toStdString();
    constexpr int games = 200;
    const long many = peakMemoryAfter(game, games, &problem);
    ASSERT_GT(many, 0) << problem.toStdString();
    std::cout << "peak after 1 game " << one << " KiB, after " << games << " games " << many << " KiB\n";
    EXPECT_LT(many - one, 2 * 1024);
}

// A run of the driver on a hostile script: its exit code, what it said on
// standard error, and its peak resident memory in KiB (from the kernel's
// account of the ended process).
struct HostileRun {
    int code = -1;
    std::string errors;
    long peak = -1;
};

// Runs the driver with args; feed, when given, is written to its standard
// input piece by piece, again and again until the driver stops reading, at
// most `pieces` times.
HostileRun runHostile(const std::vector<std::string>& args, const std::string& feed = {}, int pieces = 1)
{
    TemporaryWorkingFolder folder;
    const std::string errors = folder.file("stderr");
    std::vector<std::string> all{KORVALO_SCRIPT, "--no-sound-library", "--dir", folder.path().toStdString()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int input[2];
    EXPECT_EQ(::pipe2(input, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    HostileRun run;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    if (spawned != 0) {
        ADD_FAILURE() << "the driver did not start";
        ::close(input[1]);
        return run;
    }
    // A driver that stops reading closes the pipe: the write then fails.
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    for (int i = 0; i < pieces && !feed.empty(); ++i)
        if (::write(input[1], feed.data(), feed.size()) < 0)
            break;
    ::close(input[1]);
    std::signal(SIGPIPE, previous);
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status))
        run.code = WEXITSTATUS(status);
    run.peak = usage.ru_maxrss;
    QFile said(QString::fromStdString(errors));
    if (said.open(QIODevice::ReadOnly))
        run.errors = said.readAll().toStdString();
    return run;
}

TEST(DriverMemory, HostileScriptsAreRefusedWithTheirMessageInBoundedMemory)
{
    // What a short real script costs, for comparison.
    const HostileRun plain = runHostile({"-"}, "menu JYUNBAN_1\nclick 4 3\nstate\n");
    ASSERT_EQ(plain.code, 0) << plain.errors;
    const long bound = plain.peak + 4 * 1024;

    TemporaryWorkingFolder files;
    const std::string longLine = files.file("long.txt");
    {
        QFile file(QString::fromStdString(longLine));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const QByteArray piece(1 << 20, 'a');
        file.write("menu JYUNBAN_1\nanswer");
        for (int i = 0; i < 40; ++i)
            file.write(piece);
    }
    const HostileRun tooLong = runHostile({longLine});
    EXPECT_EQ(tooLong.code, 2);
    // The message quotes the line's first forty characters.
    EXPECT_NE(tooLong.errors.find("korvalo-script: line 2: longer than 65536 characters: answer" +
                                  std::string(34, 'a') + "…\n"),
              std::string::npos)
        << tooLong.errors;
    EXPECT_LT(tooLong.peak, bound);

    // NUL bytes without end on standard input, a megabyte at a time.
    const HostileRun zeros = runHostile({}, std::string(1 << 20, '\0'), 1000);
    EXPECT_EQ(zeros.code, 2);
    EXPECT_NE(zeros.errors.find("line 1: longer than 65536 characters: \\x00\\x00"), std::string::npos)
        << zeros.errors;
    EXPECT_LT(zeros.peak, bound);

    for (const std::string& notAFile : {files.path().toStdString(), std::string("/dev/zero")}) {
        const HostileRun refused = runHostile({notAFile});
        EXPECT_EQ(refused.code, 2) << notAFile;
        EXPECT_NE(refused.errors.find("korvalo-script: " + notAFile + " is "), std::string::npos) << refused.errors;
    }
    std::cout << "peak " << plain.peak << " KiB for a real script, " << tooLong.peak << " KiB for a 40 MB line, "
              << zeros.peak << " KiB for a stream of NUL bytes\n";
}

}  // namespace
}  // namespace korvalo::testing
