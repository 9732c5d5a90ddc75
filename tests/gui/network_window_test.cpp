// A window that joins a network game: it catches up with the game already
// begun without showing its boxes again, runs the host's game as the host
// sends it, and the question whether to play on, which its person cannot
// answer, takes the host's answer; when the host is lost while the question
// is open, the question is the person's to answer. Against a host of the test's own, it
// shows any number of notices one box at a time, and it runs nothing that no
// host sends (the window's own options, close, Esc, 終了). A hosting window
// shows its hosting notice and what comes meanwhile one box at a time; one
// whose event gate is held lets go of a window that floods it with moves,
// and keeps one that only pings.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <sstream>

#include "app/main_window.h"
#include "app/network_role.h"
#include "app/notice.h"
#include "flow/form1.h"
#include "net/host.h"
#include "net/join.h"
#include "script/script_language.h"
#include "sound/recording/recording_library.h"
#include "net/peers.h"
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
    const quint16 port = testing::freePort();
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
    net::Join join(window.path(), window.form().state());
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
        [&] { return questionLocked && window.form().state().moveNumber == 0 && window.form().state().turnColour == noneValue; },
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
    printState(mine, window.form().state(), window.platform());
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
            // A host sends a click as the press and the release it is.
            std::istringstream each(clicks);
            std::string word;
            for (int column = 0, row = 0; each >> word >> column >> row;) {
                const std::string at = std::to_string(testing::squareX(column)) + " " +
                                       std::to_string(testing::squareY(row));
                lines += "input host press " + at + "\ninput host release " + at + "\n";
            }
            peer->write(QByteArray::fromStdString(lines));
        });
    });
    testing::TemporaryWorkingFolder folder;
    testing::writeGameWaveFiles();
    MainWindow window(nullptr, nullptr, [](MainWindow& w) { return std::make_unique<QuickPlatform>(w); });
    window.load();
    net::Join join(window.path(), window.form().state());
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
    EXPECT_TRUE(QTest::qWaitFor([&] { return (answered && window.form().state().moveNumber == 0) || lockedTicks > 2000; },
                                60000));
    EXPECT_TRUE(answered);
    EXPECT_EQ(window.form().state().moveNumber, 0);
    EXPECT_EQ(window.form().state().turnColour, noneValue);
    EXPECT_FALSE(join.connected());
}

// A host of the test's own: it welcomes the first window that greets it and
// sends it lines.
struct FakeHost {
    QTcpServer server;
    QTcpSocket* window = nullptr;
    explicit FakeHost(const QByteArray& lines)
    {
        EXPECT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        QObject::connect(&server, &QTcpServer::newConnection, [this, lines] {
            window = server.nextPendingConnection();
            QObject::connect(window, &QTcpSocket::readyRead, [this, lines] {
                if (window->readAll().startsWith("hello"))
                    window->write("welcome\ncaught-up\n" + lines);
            });
        });
    }
    SessionOptions options() const
    {
        SessionOptions options;
        options.role = SessionOptions::Role::Join;
        options.host = "127.0.0.1";
        options.port = server.serverPort();
        options.code = "tesuto";
        return options;
    }
};

// Watches the notices from a timer, which also runs inside a box's own loop:
// how many were open at once, what they said; once closing, it closes them
// and any other box.
struct NoticeWatch {
    QTimer timer;
    qsizetype most = 0;
    QStringList texts;
    bool closing = false;
    bool closingOthers = false;  // closes the other boxes but leaves the notices open
    NoticeWatch()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QList<QMessageBox*> open;
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible() && belongsToNotice(box))
                    open << box;
            most = std::max(most, open.size());
            for (QMessageBox* box : open) {
                if (!texts.contains(box->text()))
                    texts << box->text();
                if (closing)
                    box->defaultButton()->click();
            }
            // Any other box (one a host should not have opened) is closed too.
            // (The box that says the window is connecting is not one of them.)
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                (closing || closingOthers) && dialog && !belongsToNotice(dialog) && !qobject_cast<QProgressDialog*>(dialog))
                dialog->reject();
        });
        timer.start(5);
    }
};

MainWindow* quickWindow()
{
    auto* window = new MainWindow(nullptr, nullptr, [](MainWindow& w) { return std::make_unique<QuickPlatform>(w); });
    window->load();
    return window;
}

TEST(JoinedWindow, ShowsAThousandLeavingsInOneNotice)
{
    testing::TemporaryWorkingFolder folder;
    QByteArray lines;
    for (int i = 0; i < 1000; ++i)
        lines += "left blue\n";
    FakeHost host(lines + "left white\n");
    std::unique_ptr<MainWindow> window(quickWindow());
    std::unique_ptr<NetworkRole> role(korvalo_network_role(*window));
    QString error;
    ASSERT_TRUE(role->start(host.options(), &error)) << error.toStdString();
    NoticeWatch watch;
    QTimer::singleShot(3000, [&] { watch.closing = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return watch.closing && watch.most > 0 && watch.texts.size() >= 1; }, 20000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return host.window->bytesToWrite() == 0; }, 5000));
    QTest::qWait(200);
    EXPECT_EQ(watch.most, 1);
    // The first notice, then one with what came while it was open.
    const QString said = watch.texts.join('|');
    EXPECT_LE(watch.texts.size(), 2) << said.toStdString();
    EXPECT_LE(said.count(QString::fromUtf8("青のウィンドウが抜けました")), 2) << said.toStdString();
    EXPECT_TRUE(said.contains(QString::fromUtf8("白のウィンドウが抜けました"))) << said.toStdString();
}

TEST(JoinedWindow, RunsNothingNoHostSends)
{
    testing::TemporaryWorkingFolder folder;
    for (const char* line : {"input host menu TEJYUN", "input host menu AICON", "input host menu SONOTA",
                             "input host close", "input host key 27", "input host menu EXIT", "snapshot x.png",
                             "input blue menu SAISYO"}) {
        SCOPED_TRACE(line);
        FakeHost host(QByteArray(line) + "\n");
        std::unique_ptr<MainWindow> window(quickWindow());
        QFile file(QStringLiteral("Korvalo.ini"));
        const QByteArray before = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        file.close();
        std::unique_ptr<NetworkRole> role(korvalo_network_role(*window));
        QString error;
        ASSERT_TRUE(role->start(host.options(), &error)) << error.toStdString();
        // The window lets go of the host and says so; it plays on alone.
        NoticeWatch watch;
        watch.closing = true;
        EXPECT_TRUE(QTest::qWaitFor([&] { return !watch.texts.isEmpty() || window->ended(); }, 5000));
        QTest::qWait(100);
        EXPECT_TRUE(watch.texts.join('|').contains(QString::fromUtf8("ホストが送るはずのないもの")))
            << watch.texts.join('|').toStdString();
        EXPECT_FALSE(window->ended());
        if (file.open(QIODevice::ReadOnly)) {
            EXPECT_EQ(file.readAll(), before);
        }
        role.reset();
    }
}

TEST(HostingWindow, ShowsItsHostingNoticeAndLeavingsOneAtATime)
{
    testing::TemporaryWorkingFolder folder;
    std::unique_ptr<MainWindow> window(quickWindow());
    NoticeWatch watch;
    watch.closingOthers = true;
    window->form().PLAY_4_Click();
    SessionOptions options;
    options.role = SessionOptions::Role::Host;
    options.code = "tesuto";
    options.portMapping = false;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        options.port = probe.serverPort();
    }
    std::unique_ptr<NetworkRole> role(korvalo_network_role(*window));
    QString error;
    ASSERT_TRUE(role->start(options, &error)) << error.toStdString();
    // Windows join as blue and leave, one after another, while the hosting
    // notice is open (the notices run the event loop of their own).
    QObject owner;
    int rounds = 0;
    std::function<void()> join = [&] {
        auto* peer = new QTcpSocket(&owner);
        QObject::connect(peer, &QTcpSocket::connected,
                         [peer] { peer->write("hello korvalo 1 " KORVALO_VERSION " tesuto blue\n"); });
        QObject::connect(peer, &QTcpSocket::readyRead, [peer] {
            if (peer->readAll().startsWith("welcome\n"))
                peer->write("bye\n");
        });
        QObject::connect(peer, &QTcpSocket::disconnected, [&, peer] {
            peer->deleteLater();
            if (++rounds < 10)
                join();
            else
                watch.closing = true;  // the leavings are said once the hosting notice is read
        });
        peer->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(options.port));
    };
    join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return watch.closing && watch.texts.size() >= 2; }, 20000));
    QTest::qWait(100);
    EXPECT_EQ(rounds, 10);
    EXPECT_EQ(watch.most, 1) << watch.texts.join('|').toStdString();
    EXPECT_TRUE(watch.texts.join('|').contains(QString::fromUtf8("青のウィンドウが抜けました")));
}

TEST(HostingWindow, LetsGoOfAFloodWhileItsGateIsHeldAndKeepsAPeerThatPings)
{
    testing::TemporaryWorkingFolder folder;
    MainWindow window(nullptr, nullptr, [](MainWindow& w) { return std::make_unique<QuickPlatform>(w); });
    window.load();
    net::Host host(window.path(), window.form().state(), "tesuto");
    QString error;
    ASSERT_TRUE(host.listen(0, &error)) << error.toStdString();
    QTcpSocket flood, pinger;
    for (QTcpSocket* socket : {&flood, &pinger}) {
        socket->connectToHost(QHostAddress::LocalHost, host.port());
        ASSERT_TRUE(socket->waitForConnected(5000));
        socket->write("hello korvalo 1 " KORVALO_VERSION " tesuto any\n");
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.players() == 3; }, 5000));
    // A handler that waits (as a box does) holds the gate meanwhile.
    bool floodClosed = false, pingerKept = false;
    window.path().afterQueued([&] {
        QByteArray moves;
        for (int i = 0; i < 500; ++i)
            moves += "move press 0 0\n";
        for (int i = 0; i < 20 && flood.state() == QAbstractSocket::ConnectedState; ++i) {
            flood.write(moves);
            QTest::qWait(20);
        }
        floodClosed = QTest::qWaitFor([&] { return flood.state() != QAbstractSocket::ConnectedState; }, 2000);
        // The one that pings stays past the time a silent one is let go.
        for (int i = 0; i < 10; ++i) {
            pinger.write("ping\n");
            QTest::qWait(1000);
        }
        pingerKept = pinger.state() == QAbstractSocket::ConnectedState && host.players() == 2;
    });
    EXPECT_TRUE(floodClosed);
    EXPECT_TRUE(pingerKept);
}

}  // namespace
}  // namespace korvalo
