// What a host does with connections that are no fair window: a stranger that
// never greets is let go after 5 s, and a fifth one waiting from one address
// at once, while a friend still joins; an address that guessed three wrong
// codes is refused unchecked for a while, another address is not; a seated
// window's thousands of useless presses are neither run nor kept for those
// who join later, while a person's refused clicks never hold back the move
// that follows them; a joined window lets go of a host that sends more than
// it may have waiting; what a peer sent reaches the log escaped; and a flood
// of refusals from many addresses leaves the log within its bound, saying how
// many lines it left out.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QRegularExpression>

#include <string>

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

    // Of five waiting from one address the first is closed; a friend joins.
    Stranger five[5];
    for (Stranger& one : five)
        ASSERT_TRUE(one.connectTo(port));
    EXPECT_TRUE(five[0].closedByHost());
    Stranger friendly;
    ASSERT_TRUE(friendly.connectTo(port, QHostAddress("127.0.0.2")));
    friendly.say(hello + "tesuto any\n");
    EXPECT_TRUE(friendly.hears("welcome"));
    for (int i = 1; i < 5; ++i)
        EXPECT_EQ(five[i].socket.state(), QAbstractSocket::ConnectedState) << i;
    friendly.say("bye\n");
    host.finish();
}

TEST(NetworkGuard, WrongCodesFromOneAddressAreRefusedUncheckedForAWhile)
{
    const quint16 port = freePort();
    Peer host;
    host.start({"--host", "--port", QString::number(port), "--code", "tesuto"}, "wait players 2\n");
    ASSERT_TRUE(host.says("hosting on port"));
    auto greet = [&](const QByteArray& code, const QHostAddress& from = QHostAddress()) {
        Stranger guess;
        EXPECT_TRUE(guess.connectTo(port, from));
        guess.say(hello + code + " any\n");
        guess.hears("\n");
        guess.closedByHost();
        return guess.heard.toStdString();
    };
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(greet("guess"), "refused a wrong code\n") << i;
    // Even the right code is not checked meanwhile; the penalty doubles.
    EXPECT_EQ(greet("tesuto"), "refused wait 1\n");
    // Once the second is over, the next code is checked again.
    std::string answer;
    QElapsedTimer blocked;
    blocked.start();
    while (blocked.elapsed() < 3000 && (answer = greet("guess")) == "refused wait 1\n") {
    }
    EXPECT_EQ(answer, "refused a wrong code\n");
    EXPECT_LE(blocked.elapsed(), 1500);
    EXPECT_EQ(greet("tesuto"), "refused wait 2\n");
    // A window says why.
    Peer late;
    late.start({"--join", "127.0.0.1:" + QString::number(port), "--code", "tesuto"}, "");
    late.process.waitForFinished(20000);
    EXPECT_NE(late.read("errors").find("too many wrong codes; try again in "), std::string::npos)
        << late.read("errors");
    // Another address is checked, and a friend there joins.
    EXPECT_EQ(greet("guess", QHostAddress("127.0.0.2")), "refused a wrong code\n");
    Stranger friendly;
    ASSERT_TRUE(friendly.connectTo(port, QHostAddress("127.0.0.3")));
    friendly.say(hello + "tesuto any\n");
    EXPECT_TRUE(friendly.hears("welcome"));
    friendly.say("bye\n");
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
    host.start({"--host", "--port", QString::number(port), "--code", "tesuto"}, "wait players 2\n");
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
    friendly.say(hello + "tesuto any\n");
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
