// A window that joins a network game: it catches up with the game already
// begun without showing its boxes again, runs the host's game as the host
// sends it, and the question whether to play on, which its person cannot
// answer, takes the host's answer; when the host is lost while the question
// is open, the question is the person's to answer.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sstream>

#include "app/main_window.h"
#include "flow/form1.h"
#include "net/join.h"
#include "script/script_language.h"
#include "sound/recording/recording_library.h"
#include "support/game_driver.h"

namespace korvalo {
namespace {

using testing::legalSquares;
using testing::LoadedGame;

// Black's clicks of a whole game of one person on black against the computer.
std::string blackClicks()
{
    LoadedGame loaded(false);
    Form1& form = loaded.game.form;
    std::string clicks;
    form.JYUNBAN_1_Click();
    for (int n = 0; loaded.game.s.turnColour != noneValue && n < 100; ++n) {
        const auto squares = legalSquares(loaded.game.s, loaded.game.s.turnColour);
        const auto [column, row] = squares.empty() ? std::pair(1, 1) : squares.front();
        clicks += "click " + std::to_string(column) + " " + std::to_string(row) + "\n";
        testing::clickSquare(form, column, row);
    }
    return clicks;
}

// The game without its pauses.
class QuickPlatform : public WindowPlatform {
public:
    using WindowPlatform::WindowPlatform;
    void wait(double) override {}
};

TEST(JoinedWindow, RunsTheHostsGameAndTakesItsAnswerToTheQuestion)
{
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();
    QTemporaryDir hostFolder;
    QProcess host;
    host.setProgram(KORVALO_SCRIPT);
    host.setArguments({"--no-sound-library", "--dir", hostFolder.path(), "--host", "--port", QString::number(port),
                       "--code", "tesuto", "-"});
    host.setStandardOutputFile(hostFolder.filePath("trace"));
    host.start();
    ASSERT_TRUE(host.waitForStarted());
    // Black's first move is made before the window joins.
    const std::string clicks = blackClicks();
    const std::size_t second = clicks.find('\n') + 1;
    host.write(QByteArray::fromStdString("menu JYUNBAN_1\n" + clicks.substr(0, second) + "wait players 2\n" +
                                         clicks.substr(second) + "state\n"));
    host.closeWriteChannel();
    ASSERT_TRUE(host.waitForBytesWritten(10000) || host.bytesToWrite() == 0);

    testing::TemporaryWorkingFolder folder;
    testing::writeGameWaveFiles();
    // The sounds the window plays, and how many of them while it caught up.
    int played = 0;
    int playedCatchingUp = 0;
    net::Join* joining = nullptr;
    auto sounds = std::make_unique<RecordingDsLibrary>([&](const std::string& line) {
        if (line.rfind("sound dsPlay ", 0) == 0) {
            ++played;
            playedCatchingUp += joining && joining->catchingUp();
        }
    });
    MainWindow window(std::move(sounds), nullptr, [](MainWindow& w) { return std::make_unique<QuickPlatform>(w); });
    window.load();
    net::Join join(window.path(), window.form().s);
    joining = &join;
    QString error;
    bool joined = false;
    for (int i = 0; i < 100 && !joined; ++i) {
        joined = join.connectTo("127.0.0.1", port, "tesuto", 0, 5000, &error);
        if (!joined)
            QTest::qWait(50);
    }
    ASSERT_TRUE(joined) << error.toStdString();

    // The person closes every box it can; at the question it finds the
    // buttons that would answer it disabled.
    bool questionLocked = false;
    QStringList seen;
    QTimer person;
    QObject::connect(&person, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
                if (!seen.contains(box->text()))
                    seen << box->text();
                if (QAbstractButton* no = box->button(QMessageBox::No)) {
                    questionLocked = !no->isEnabled() && !box->button(QMessageBox::Yes)->isEnabled();
                    no->click();  // does nothing while it is disabled
                } else {
                    box->defaultButton()->click();
                }
            }
    });
    person.start(5);
    // The host answered Yes: the joined window starts over, as the host did.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return questionLocked && window.form().s.moveNumber == 0 && window.form().s.turnColour == noneValue; },
        60000));
    // The opening's greeting was read at the host before this window came.
    EXPECT_FALSE(seen.contains(QString::fromUtf8("下の番です"))) << seen.join('|').toStdString();
    EXPECT_TRUE(seen.contains(QString::fromUtf8("続けます？")));
    // The moves made before it came were run without a sound; the others sounded.
    EXPECT_EQ(playedCatchingUp, 0);
    EXPECT_GT(played, 0);
    // The host ends once the joined window has left.
    join.leave();
    EXPECT_TRUE(QTest::qWaitFor([&] { return host.state() == QProcess::NotRunning; }, 20000));
    EXPECT_FALSE(window.ended());
    QFile trace(hostFolder.filePath("trace"));
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    const QByteArray printed = trace.readAll();
    const QByteArray state = printed.mid(printed.lastIndexOf("state "));
    std::ostringstream mine;
    printState(mine, window.form().s, window.platform());
    EXPECT_EQ(mine.str(), state.toStdString());
}

TEST(JoinedWindow, AQuestionOpenWhenTheHostIsLostIsThePersonsToAnswer)
{
    // The test is the host: it welcomes a window that asks only to watch and
    // sends it a whole game; once the question is open there, it is lost.
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QTcpSocket* peer = nullptr;
    QByteArray hello;
    const std::string clicks = blackClicks();
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        peer = server.nextPendingConnection();
        QObject::connect(peer, &QTcpSocket::readyRead, [&] {
            if (!hello.isEmpty())
                return;
            hello = peer->readLine().trimmed();
            std::string lines = "welcome\ncaught-up\nseat watch\nplayers 2\ninput host menu JYUNBAN_1\n";
            std::istringstream each(clicks);
            for (std::string click; std::getline(each, click);)
                lines += "input host " + click + "\n";
            peer->write(QByteArray::fromStdString(lines));
        });
    });
    testing::TemporaryWorkingFolder folder;
    testing::writeGameWaveFiles();
    MainWindow window(nullptr, nullptr, [](MainWindow& w) { return std::make_unique<QuickPlatform>(w); });
    window.load();
    net::Join join(window.path(), window.form().s);
    QString error;
    ASSERT_TRUE(join.connectTo("127.0.0.1", server.serverPort(), "tesuto", net::Join::watchOnly, 5000, &error))
        << error.toStdString();
    EXPECT_EQ(hello.toStdString(), "hello korvalo 1 " KORVALO_VERSION " tesuto watch");

    // The person closes the boxes with OK. At the question, whose buttons
    // take no click, the host is lost; the person then answers Yes. (Should
    // the buttons stay disabled, the box is closed after some 10 s all the
    // same, so that the test ends.)
    int lockedTicks = 0;
    bool answered = false;
    QTimer person;
    QObject::connect(&person, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
                QAbstractButton* yes = box->button(QMessageBox::Yes);
                if (!yes) {
                    box->defaultButton()->click();
                } else if (yes->isEnabled() && lockedTicks > 0) {
                    answered = true;
                    yes->click();
                } else if (++lockedTicks == 1) {
                    peer->abort();
                } else if (lockedTicks > 2000) {
                    box->reject();
                }
            }
    });
    person.start(5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return (answered && window.form().s.moveNumber == 0) || lockedTicks > 2000; },
                                60000));
    EXPECT_TRUE(answered);
    EXPECT_EQ(window.form().s.moveNumber, 0);
    EXPECT_EQ(window.form().s.turnColour, noneValue);
    EXPECT_FALSE(join.connected());
}

}  // namespace
}  // namespace korvalo
