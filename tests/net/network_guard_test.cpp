// What a host does with connections that are no fair window: a stranger that
// never greets is let go after 5 s, and the oldest one beyond those waiting
// from one address at once, while a friend still joins; wrong codes are
// checked no faster than the rate in all, and a friend at the guesser's
// address joins meanwhile; a slow greeter gets in during a stranger flood; a
// colour's inputs waiting in a held gate stay within its budget however often
// its window reconnects; a seated
// window's thousands of useless presses are neither run nor kept for those
// who join later, while a person's refused clicks never hold back the move
// that follows them; a joined window lets go of a host that sends more than
// it may have waiting; what a peer sent reaches the log escaped; and a flood
// of refusals from many addresses leaves the log within its bound, saying how
// many lines it left out.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QRegularExpression>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "input/input_path.h"
#include "input/window_events.h"
#include "net/connection.h"
#include "net/host.h"
#include "log/log.h"
#include "net/host_limits.h"
#include "net/peers.h"

namespace korvalo::testing {
namespace {

const QByteArray hello = "hello korvalo 1 " KORVALO_VERSION " ";

TEST(NetworkGuard, StrangersThatDoNotGreetAreLetGo)
{
    const quint16 port = freePort();
    Peer host;
    host.start({"--host", "--port", QString::number(port), "--code", "tesuto"}, "wait players 2\n");
    ASSERT_TRUE(host.says("hosting on port"));

    // One that only pings is closed once 5 s have passed since it came.
    Stranger pinger;
    QElapsedTimer since;
    since.start();
    ASSERT_TRUE(pinger.connectTo(port));
    for (int i = 0; i < 80 && pinger.socket.state() == QAbstractSocket::ConnectedState; ++i) {
        pinger.say("ping\n");
        pinger.socket.waitForReadyRead(100);
        pinger.socket.readAll();
    }
    EXPECT_TRUE(pinger.closedByHost());
    EXPECT_GE(since.elapsed(), 4900);
    EXPECT_LE(since.elapsed(), 7000);

    // Of more than may wait from one address the first is closed; a friend joins.
    Stranger many[net::limits::maxWaitingPerAddress + 1];
    for (Stranger& one : many)
        ASSERT_TRUE(one.connectTo(port));
    EXPECT_TRUE(many[0].closedByHost());
    Stranger friendly;
    ASSERT_TRUE(friendly.connectTo(port, QHostAddress("127.0.0.2")));
    friendly.say(hello + "tesuto any\n");
    EXPECT_TRUE(friendly.hears("welcome"));
    for (int i = 1; i <= net::limits::maxWaitingPerAddress; ++i)
        EXPECT_EQ(many[i].socket.state(), QAbstractSocket::ConnectedState) << i;
    friendly.say("bye\n");
    host.finish();
}

TEST(NetworkGuard, AFriendGetsInBesideAGuesserOnTheSameAddress)
{
    const quint16 port = freePort();
    Peer host;
    host.start({"--host", "--port", QString::number(port), "--code", "tesuto"}, "wait players 2\n");
    ASSERT_TRUE(host.says("hosting on port"));
    EXPECT_TRUE(host.says("the code is weak (about 28 bits, under 40)"));
    auto greet = [&](const QByteArray& greeting) {
        Stranger guess;
        EXPECT_TRUE(guess.connectTo(port));
        guess.say(greeting + "\n");
        guess.closedByHost();
        return guess.heard.toStdString();
    };
    // The host's version is told only to one that gives the code.
    EXPECT_EQ(greet("GET / HTTP/1.0"), "refused not a Korvalo window\n");
    EXPECT_EQ(greet("hello korvalo 1 0.0-other guess any"), "refused a wrong code\n");
    EXPECT_EQ(greet("hello korvalo 1 0.0-other tesuto any"),
              "refused a different version: the host runs Korvalo " KORVALO_VERSION "\n");
    // Every wrong code is checked, but no faster in all than the rate.
    QElapsedTimer guessing;
    guessing.start();
    const int guesses = 3 * net::limits::maxChecksPerSecond;
    for (int i = 0; i < guesses; ++i)
        ASSERT_EQ(greet(hello + "guess any"), "refused a wrong code\n") << i;
    EXPECT_GE(guessing.elapsed(), 1000 * (guesses - net::limits::maxChecksPerSecond - 3) / net::limits::maxChecksPerSecond);
    // Eight guesses at once from the friend's address, each sent again once
    // refused, while the friend joins. (The host ends once it has joined
    // and left.)
    std::unique_ptr<Stranger> guessers[8];
    int refused = 0;
    auto guessAgain = [&](std::unique_ptr<Stranger>& guesser) {
        if (guesser) {
            guesser->heard += guesser->socket.readAll();
            if (!guesser->heard.contains('\n'))
                return;
            EXPECT_EQ(guesser->heard, "refused a wrong code\n");
            ++refused;
        }
        guesser = std::make_unique<Stranger>();
        if (guesser->connectTo(port))
            guesser->say(hello + "guess any\n");
    };
    for (auto& guesser : guessers)
        guessAgain(guesser);
    Peer friendly;
    QElapsedTimer joining;
    joining.start();
    friendly.start({"--join", "127.0.0.1:" + QString::number(port), "--code", "tesuto"}, "");
    while (!friendly.process.waitForFinished(1) && friendly.process.state() != QProcess::NotRunning &&
           joining.elapsed() < 30000)
        for (auto& guesser : guessers) {
            guesser->socket.waitForReadyRead(1);
            guessAgain(guesser);
        }
    EXPECT_LE(joining.elapsed(), 10000);
    friendly.finish();
    // The guesses that came before the friend were checked before it.
    for (auto& guesser : guessers) {
        guesser->socket.waitForReadyRead(100);
        refused += (guesser->heard + guesser->socket.readAll()).contains('\n');
    }
    EXPECT_GE(refused, 8);
    host.finish();
}

TEST(NetworkGuard, ASlowGreeterGetsInDuringAStrangerFlood)
{
    const quint16 port = freePort();
    Peer host;
    host.start({"--host", "--port", QString::number(port), "--code", "tesuto"}, "wait players 2\n");
    ASSERT_TRUE(host.says("hosting on port"));
    // Strangers from many addresses that say nothing, before and after the
    // slow one: more than the host keeps waiting in all, and after it more
    // than a host that lets go the oldest first would let it wait.
    std::vector<std::unique_ptr<Stranger>> strangers;
    auto flood = [&](int count) {
        for (int i = 0; i < count; ++i) {
            strangers.push_back(std::make_unique<Stranger>());
            const QHostAddress from(QStringLiteral("127.0.1.%1").arg(1 + strangers.size() % 50));
            ASSERT_TRUE(strangers.back()->connectTo(port, from));
        }
    };
    ASSERT_NO_FATAL_FAILURE(flood(100));
    Stranger slow;
    ASSERT_TRUE(slow.connectTo(port, QHostAddress("127.0.0.2")));
    QElapsedTimer since;
    since.start();
    static_assert(net::limits::maxWaiting > 200);
    ASSERT_NO_FATAL_FAILURE(flood(200));
    while (since.elapsed() < 200)
        slow.socket.waitForReadyRead(10);
    slow.say(hello + "tesuto any\n");
    EXPECT_TRUE(slow.hears("welcome"));
    // The first strangers were let go to make room.
    EXPECT_TRUE(strangers.front()->closedByHost());
    slow.say("bye\n");
    host.finish();
}

TEST(NetworkGuard, APeerThatCannotReachTheHostNamesItInTheLog)
{
    Peer lost;
    lost.start({"--join", "127.0.0.1:" + QString::number(testing::freePort()), "--code", "tesuto"}, "");
    ASSERT_TRUE(lost.process.waitForFinished(30000));
    EXPECT_EQ(lost.process.exitCode(), 2);
    EXPECT_NE(lost.read("errors").find("connection with 127.0.0.1: closed: "), std::string::npos) << lost.read("errors");
}

// Black (the host) moves d3, then the host plays the script's rest; blue
// joins and is to move.
void blueAfterD3(quint16 port, Peer& host, Stranger& blue, const std::string& rest)
{
    host.start({"--host", "--port", QString::number(port), "--code", "tesuto"},
               "wait players 2\nmenu PLAY_4\nclick 4 3\n" + rest);
    ASSERT_TRUE(host.says("hosting on port"));
    ASSERT_TRUE(blue.connectTo(port));
    blue.say(hello + "tesuto blue\n");
    ASSERT_TRUE(blue.hears("seat blue"));
    ASSERT_TRUE(blue.hears("input host release"));
}

TEST(NetworkGuard, UselessPressesAreNeitherRunNorKept)
{
    const quint16 port = freePort();
    Peer host;
    Stranger blue;
    ASSERT_NO_FATAL_FAILURE(blueAfterD3(port, host, blue, ""));
    QByteArray presses;
    for (int i = 0; i < 10000; ++i)
        presses += "move press 0 0\n";
    blue.say(presses + "move \x1b]0;title\x07\n");
    EXPECT_TRUE(blue.closedByHost());

    Stranger later;
    ASSERT_TRUE(later.connectTo(port));
    later.say(hello + "tesuto any\n");
    ASSERT_TRUE(later.hears("caught-up"));
    const QByteArray caughtUp = later.heard.left(later.heard.indexOf("caught-up"));
    EXPECT_LE(caughtUp.count("input blue press"), net::limits::maxInputsPerTurn);
    later.say("bye\n");
    host.finish();
    // What the peer sent is in the log with its control bytes escaped.
    const std::string errors = host.read("errors");
    EXPECT_NE(errors.find("\\x1b]0;title\\x07"), std::string::npos) << errors;
    EXPECT_EQ(errors.find_first_of("\x1b\x07"), std::string::npos);
}

// A host's game of the test's own, which does nothing.
struct NoGame : WindowEvents {
    void load() override {}
    void mouseDown(int, int, double, double) override {}
    void mouseUp(int, int, double, double) override {}
    void keyPress(int) override {}
    void unload() override {}
    void command(const QString&) override {}
};

TEST(NetworkGuard, AColoursInputsWaitingStayWithinItsBudgetAcrossReconnects)
{
    application();
    NoGame game;
    InputPath path(game);
    // Every colour a person's, blue to move.
    GameState state;
    state.playerKind = {0, humanValue, humanValue, humanValue, humanValue};
    state.turnColour = blue;
    net::Host host(path, state, "tesuto");
    QString error;
    ASSERT_TRUE(host.listen(0, &error)) << error.toStdString();
    // A window of the test's own, welcomed to play seat.
    auto join = [&](QTcpSocket& window, const QByteArray& seat) {
        window.connectToHost(QHostAddress::LocalHost, host.port());
        window.write(hello + "tesuto " + seat + "\n");
        return net::runUntil([&] { return window.peek(1 << 16).contains("\nseat " + seat); }, 10000);
    };
    QByteArray presses;
    for (int i = 0; i < 2000; ++i)
        presses += "move press 4495 1675\n";
    const std::size_t pressCost = net::limits::costOf(Input{Input::Kind::Press, "", 4495, 1675});
    std::size_t most = 0;
    // A handler that waits (as a box does) holds the gate meanwhile.
    path.afterQueued([&] {
        QTcpSocket white;
        ASSERT_TRUE(join(white, "white"));
        // Blue's window pushes more than its budget, is let go and comes
        // back, again and again, while the gate is held.
        for (int i = 0; i < 20; ++i) {
            QTcpSocket blueWindow;
            ASSERT_TRUE(join(blueWindow, "blue")) << i;
            blueWindow.write(presses);
            ASSERT_TRUE(net::runUntil([&] { return blueWindow.state() == QAbstractSocket::UnconnectedState; }, 20000));
            most = std::max(most, path.inputsWaiting());
        }
        // White's window still has its own share.
        const std::size_t before = path.inputsWaiting();
        white.write("move press 3235 2305\n");
        EXPECT_TRUE(net::runUntil([&] { return path.inputsWaiting() > before; }, 10000));
        EXPECT_EQ(white.state(), QAbstractSocket::ConnectedState);
    });
    EXPECT_GT(most, net::limits::gateBudget / pressCost / 2);
    EXPECT_LE(most, net::limits::gateBudget / pressCost);
    // Once the gate has run them, nothing is counted as waiting.
    EXPECT_EQ(path.inputsWaiting(), 0u);
    EXPECT_EQ(host.queuedCost(), 0u);
}

TEST(NetworkGuard, RefusedClicksNeverHoldBackTheMoveThatFollows)
{
    const quint16 port = freePort();
    Peer host;
    Stranger blue;
    // Blue's move f2 lets white (the host's) move c3.
    ASSERT_NO_FATAL_FAILURE(blueAfterD3(port, host, blue, "click 3 3\n"));
    // A person's pattern: more clicks on the taken d3 than the cap takes,
    // then the legal f2. The host runs them at the game's pace; blue pings
    // meanwhile, as a window does.
    QByteArray clicks;
    for (int i = 0; i < net::limits::maxInputsPerTurn / 2 + 8; ++i)
        clicks += "move press 3235 2305\nmove release 3235 2305\n";
    blue.say(clicks + "move press 4495 1675\nmove release 4495 1675\n");
    for (int i = 0; i < 1200 && !blue.heard.contains("input host press 2605") &&
                    blue.socket.state() == QAbstractSocket::ConnectedState;
         ++i) {
        blue.say("ping\n");
        blue.socket.waitForReadyRead(100);
        blue.heard += blue.socket.readAll();
    }
    EXPECT_TRUE(blue.heard.contains("input blue press 4495 1675\ninput host press"));
    EXPECT_LE(blue.heard.count("input blue press 3235"), net::limits::maxInputsPerTurn / 2);
    blue.say("bye\n");
    host.finish();
    EXPECT_NE(host.read("errors").find("cannot be a move are dropped"), std::string::npos);
}

// A host of the test's own that a headless window joins; welcome is sent
// after its greeting.
struct FakeHost {
    QTcpServer server;
    QTcpSocket* window = nullptr;
    Peer peer;
    bool join(const QByteArray& welcome)
    {
        if (!server.listen(QHostAddress::LocalHost))
            return false;
        peer.start({"--join", QString("127.0.0.1:%1").arg(server.serverPort()), "--code", "tesuto"}, "wait end\n");
        if (!server.waitForNewConnection(30000))
            return false;
        window = server.nextPendingConnection();
        for (int i = 0; i < 300 && !window->canReadLine(); ++i)
            window->waitForReadyRead(100);
        window->readAll();
        window->write(welcome);
        return window->waitForBytesWritten(10000);
    }
    // Whether the window closed the connection, within 30 s.
    bool letGo()
    {
        for (int i = 0; i < 300 && window->state() == QAbstractSocket::ConnectedState; ++i) {
            window->waitForReadyRead(100);
            window->readAll();
        }
        return window->state() != QAbstractSocket::ConnectedState;
    }
};

TEST(NetworkGuard, AJoinedWindowKeepsOnlyWhatAHostMaySendAhead)
{
    const QByteArray welcome = "welcome\nseat blue\nplayers 2\ncaught-up\n";
    // A square of a strong computer from a host that does not search.
    FakeHost plain;
    ASSERT_TRUE(plain.join(welcome + "input host computer 1 1\n"));
    EXPECT_TRUE(plain.letGo());
    // Presses behind a computer move that waits for the host's square.
    FakeHost strong;
    ASSERT_TRUE(strong.join(welcome + "input host computer strong\ninput host menu PLAY_TONARI\n"));
    QByteArray presses;
    for (int i = 0; i < 70000; ++i)
        presses += "input host press 0 0\n";
    strong.window->write(presses);
    EXPECT_TRUE(strong.letGo());
    // The windows play on alone; what they said is on their standard error.
    for (Peer* peer : {&plain.peer, &strong.peer}) {
        peer->process.kill();
        peer->process.waitForFinished(10000);
    }
    EXPECT_NE(plain.peer.read("errors").find("what no host sends: input host computer 1 1"), std::string::npos)
        << plain.peer.read("errors");
    EXPECT_NE(strong.peer.read("errors").find("closed: "), std::string::npos) << strong.peer.read("errors");
}

TEST(NetworkGuard, ARandomCodeIsFourGroupsOfTwoSyllables)
{
    Peer host;
    host.start({"--host", "--port", QString::number(freePort())}, "");
    ASSERT_TRUE(host.says("with the code "));
    host.finish();
    const std::string errors = host.read("errors");
    const std::string code = errors.substr(errors.find("with the code ") + 14, 19);
    EXPECT_EQ(errors.find("weak"), std::string::npos) << errors;
    // 70 syllables to choose from, eight times: about 49 bits.
    EXPECT_TRUE(QRegularExpression("^([bdfgklmnprstvz][aeiou]){2}(-([bdfgklmnprstvz][aeiou]){2}){3}$")
                    .match(QString::fromStdString(code))
                    .hasMatch())
        << errors;
}

TEST(NetworkGuard, AFloodOfRefusalsKeepsTheLogWithinItsBound)
{
    const quint16 port = freePort();
    QElapsedTimer lived;
    lived.start();
    Peer host;
    // A code strong enough to need no warning: the log holds only the
    // hosting line and the refusals.
    host.start({"--host", "--port", QString::number(port), "--code", "Tesuto-Kodo-47119"}, "wait players 2\n");
    ASSERT_TRUE(host.says("hosting on port"));
    // Strangers from 600 addresses, fifty at a time, each refused for a first
    // line that is no greeting: each refusal is a line of the log.
    const int strangers = 600;
    for (int batch = 0; batch < strangers / 50; ++batch) {
        Stranger flood[50];
        for (int i = 0; i < 50; ++i) {
            const int n = batch * 50 + i;
            ASSERT_TRUE(flood[i].connectTo(port, QHostAddress(QStringLiteral("127.0.%1.%2").arg(1 + n / 200).arg(2 + n % 200))));
            flood[i].say("no greeting\n");
        }
        for (Stranger& one : flood)
            EXPECT_TRUE(one.closedByHost());
    }
    Stranger friendly;
    ASSERT_TRUE(friendly.connectTo(port));
    friendly.say(hello + "Tesuto-Kodo-47119 any\n");
    EXPECT_TRUE(friendly.hears("welcome"));
    friendly.say("bye\n");
    host.finish();
    const long seconds = lived.elapsed() / 1000 + 1;

    // Every refusal is either written or counted among those left out (with
    // the line of the friend's leaving, maybe); no more than the bound's
    // lines are written in a second, besides the lines that count what was
    // left out, said once a second and at exit at most.
    const std::string errors = host.read("errors");
    long written = 0, refusals = 0, counts = 0, leftOut = 0;
    const QRegularExpression count("^korvalo-script: (\\d+) log lines? left out$");
    for (const QString& line : QString::fromStdString(errors).split('\n', Qt::SkipEmptyParts)) {
        if (const QRegularExpressionMatch said = count.match(line); said.hasMatch()) {
            ++counts;
            leftOut += said.captured(1).toLong();
            continue;
        }
        ++written;
        refusals += line.contains(" refused, the last: ");
    }
    EXPECT_GE(refusals + leftOut, strangers) << errors;
    EXPECT_LE(refusals + leftOut, strangers + 1) << errors;
    EXPECT_LE(written, log::linesPerSecond * seconds) << errors;
    EXPECT_LE(counts, seconds + 1) << errors;
    EXPECT_GT(leftOut, 0) << errors;
}

}  // namespace
}  // namespace korvalo::testing
