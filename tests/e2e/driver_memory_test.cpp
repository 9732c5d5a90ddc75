// The scenario driver over a long session: it prints each event as it
// happens and keeps none of them, so two hundred games need no more memory
// than one.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <iostream>
#include <string>

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

}  // namespace
}  // namespace korvalo::testing
