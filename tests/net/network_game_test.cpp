// Network games between headless peers on loopback: four peers, each with its
// colour's clicks of one whole four-person game, end with the same message
// boxes and the same position as that game in one process; a joined peer
// that dies mid-game hands its colour to the host; a wrong code, a line of a
// megabyte, a move out of turn and a move for another colour are refused
// while the game goes on; a window that left may join again and catch up
// with the game as it is now, not with the games before it; a catch-up as
// long as a host may send is taken, a longer one is not sent.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "net/peers.h"
#include "net/protocol.h"
#include "support/game_driver.h"

namespace korvalo::testing {
namespace {

struct Game {
    std::string whole;                     // every click, for one process
    std::array<std::string, 5> mine;       // each colour's clicks
    std::vector<std::pair<int, std::string>> clicks;  // each click with the colour that gave it

    // The clicks of the colours in played, in the game's order, leaving out
    // the first skip clicks of the colour skipped.
    std::string of(std::initializer_list<int> played, int skipped = 0, int skip = 0) const
    {
        std::string out;
        for (const auto& [colour, click] : clicks) {
            if (colour == skipped && skip > 0) {
                --skip;
                continue;
            }
            if (colour == skipped || std::find(played.begin(), played.end(), colour) != played.end())
                out += click;
        }
        return out;
    }
};

// One whole game of four persons: at each turn the colour to move clicks its
// first legal square in scan order, or a1 to pass.
Game fourPersonGame()
{
    LoadedGame loaded(false);
    Form1& form = loaded.game.form;
    Game game;
    form.PLAY_4_Click();
    for (int clicks = 0; loaded.game.s.turnColour != noneValue && clicks < 200; ++clicks) {
        const int colour = loaded.game.s.turnColour;
        const auto squares = legalSquares(loaded.game.s, colour);
        const auto [column, row] = squares.empty() ? std::pair(1, 1) : squares.front();
        const std::string click = "click " + std::to_string(column) + " " + std::to_string(row) + "\n";
        game.whole += click;
        game.mine[colour] += click;
        game.clicks.emplace_back(colour, click);
        clickSquare(form, column, row);
    }
    return game;
}

std::vector<std::string> boxes(const std::string& trace)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t end; (end = trace.find('\n', start)) != std::string::npos; start = end + 1)
        if (trace.compare(start, 7, "msgbox ") == 0)
            out.push_back(trace.substr(start, end - start));
    return out;
}

std::string linesText(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

std::string lastState(const std::string& trace)
{
    const std::size_t state = trace.rfind("state ");
    return state == std::string::npos ? std::string("(no state)") : trace.substr(state);
}

// The trace of the game played by one driver alone.
std::string inOneProcess(const Game& game)
{
    Peer alone;
    alone.start({}, "menu PLAY_4\n" + game.whole + "state\n");
    return alone.finish();
}

TEST(NetworkGame, FourHeadlessPeersPlayTheGameOfOneProcess)
{
    const Game game = fourPersonGame();
    const std::string reference = inOneProcess(game);
    ASSERT_GT(boxes(reference).size(), 3u);

    const QString port = QString::number(freePort());
    Peer host;
    host.start({"--host", "--port", port, "--code", "tesuto"},
               "wait players 4\nmenu PLAY_4\n" + game.mine[black] + "wait end\nstate\n");
    ASSERT_TRUE(host.says("hosting on port " + port.toStdString())) << host.read("errors");
    std::array<Peer, 5> joined;
    for (int colour : {blue, white, red}) {
        const char* names[] = {"", "black", "blue", "white", "red"};
        joined[colour].start({"--join", "127.0.0.1:" + port, "--code", "tesuto", "--seat", names[colour]},
                             game.mine[colour] + "wait end\nstate\n");
    }
    const std::string hosted = host.finish();
    EXPECT_EQ(boxes(hosted), boxes(reference));
    EXPECT_EQ(lastState(hosted), lastState(reference));
    for (int colour : {blue, white, red}) {
        const std::string trace = joined[colour].finish();
        EXPECT_EQ(boxes(trace), boxes(reference)) << "colour " << colour;
        EXPECT_EQ(lastState(trace), lastState(reference)) << "colour " << colour;
    }
}

TEST(NetworkGame, StrangersFloodsAndMovesOutOfTurnAreRefusedWhileTheGameGoesOn)
{
    const Game game = fourPersonGame();
    const std::string reference = inOneProcess(game);

    const quint16 port = freePort();
    Peer host;
    // The host plays black and red; it waits after the seating for blue and
    // white to come.
    host.start({"--host", "--port", QString::number(port), "--code", "tesuto"},
               "wait players 2\nmenu PLAY_4\nwait players 3\n" + game.of({black, red}) + "wait end\nstate\n");
    ASSERT_TRUE(host.says("hosting on port"));

    Stranger wrongCode, flood, outOfTurn;
    ASSERT_TRUE(wrongCode.connectTo(port));
    wrongCode.say("hello korvalo 1 " KORVALO_VERSION " guess any\n");
    EXPECT_TRUE(wrongCode.hears("refused a wrong code"));
    EXPECT_TRUE(wrongCode.closedByHost());

    ASSERT_TRUE(flood.connectTo(port));
    flood.say("hello korvalo 1 " KORVALO_VERSION " tesuto any\n");
    EXPECT_TRUE(flood.hears("welcome"));
    flood.say(QByteArray(1 << 20, 'a'));
    EXPECT_TRUE(flood.closedByHost());

    // Dealt blue, it moves while black is to move.
    ASSERT_TRUE(outOfTurn.connectTo(port));
    outOfTurn.say("hello korvalo 1 " KORVALO_VERSION " tesuto blue\n");
    EXPECT_TRUE(outOfTurn.hears("input host menu PLAY_4"));
    EXPECT_TRUE(outOfTurn.hears("seat blue"));
    outOfTurn.say("move press 3235 2305\nmove release 3235 2305\n");
    EXPECT_TRUE(host.says("a move of blue is refused"));
    outOfTurn.say("bye\n");
    EXPECT_TRUE(outOfTurn.closedByHost());

    Peer bluePeer, whitePeer;
    bluePeer.start({"--join", "127.0.0.1:" + QString::number(port), "--code", "tesuto", "--seat", "blue"},
               game.mine[blue] + "wait end\nstate\n");
    whitePeer.start({"--join", "127.0.0.1:" + QString::number(port), "--code", "tesuto", "--seat", "white"},
                game.mine[white] + "wait end\nstate\n");
    const std::string hosted = host.finish();
    EXPECT_EQ(lastState(hosted), lastState(reference));
    EXPECT_EQ(lastState(bluePeer.finish()), lastState(reference));
    EXPECT_EQ(lastState(whitePeer.finish()), lastState(reference));
    EXPECT_NE(host.read("errors").find("a line longer than 4096 bytes"), std::string::npos) << host.read("errors");
}

// The colour the host last dealt a stranger.
std::string lastSeat(const QByteArray& heard)
{
    const qsizetype at = heard.lastIndexOf("\nseat ");
    return at < 0 ? std::string() : heard.mid(at + 6, heard.indexOf('\n', at + 1) - at - 6).toStdString();
}

TEST(NetworkGame, ColoursStayWithTheirWindowsAndAWindowMayAskOnlyToWatch)
{
    const quint16 port = freePort();
    Peer host;
    host.start({"--host", "--port", QString::number(port), "--code", "tesuto"}, "menu PLAY_4\nwait players 5\n");
    ASSERT_TRUE(host.says("hosting on port"));
    // The host plays black; one window asks for any colour, the next for the
    // one the first plays, the third only to watch, and the last for any.
    Stranger any, blueToo, watching, last;
    const char* asks[] = {"any", "blue", "watch", "any"};
    Stranger* strangers[] = {&any, &blueToo, &watching, &last};
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(strangers[i]->connectTo(port));
        strangers[i]->say(QByteArray("hello korvalo 1 " KORVALO_VERSION " tesuto ") + asks[i] + "\n");
        ASSERT_TRUE(strangers[i]->hears("players " + QByteArray::number(i + 2))) << i;
        if (i == 0) {
            ASSERT_TRUE(any.hears("input host menu PLAY_4\n") && any.hears("seat blue"));
        }
    }
    EXPECT_TRUE(any.hears("players 5"));
    EXPECT_EQ(lastSeat(any.heard), "blue");
    EXPECT_EQ(lastSeat(blueToo.heard), "white");
    EXPECT_EQ(lastSeat(watching.heard), "watch");
    EXPECT_EQ(lastSeat(last.heard), "red");
    for (Stranger* stranger : strangers)
        stranger->socket.disconnectFromHost();
    host.finish();
}

TEST(NetworkGame, AWindowThatFallsSilentIsTakenForLost)
{
    const quint16 port = freePort();
    Peer host;
    // The host's script ends once a second window has come; the host then
    // waits for it to leave, which a silent one never does. Its top-level
    // computer is said in the words a window that knows no levels reads.
    host.start({"--computer", "5", "--host", "--port", QString::number(port), "--code", "tesuto"},
               "wait players 2\n");
    ASSERT_TRUE(host.says("hosting on port"));
    Stranger silent;
    ASSERT_TRUE(silent.connectTo(port));
    silent.say("hello korvalo 1 " KORVALO_VERSION " tesuto any\n");
    EXPECT_TRUE(silent.hears("welcome\ninput host computer strong\n"));
    // It says nothing more, not even ping.
    host.finish();
    EXPECT_NE(host.read("errors").find("nothing heard for 8 seconds"), std::string::npos) << host.read("errors");
}

TEST(NetworkGame, AJoinedPeerThatDiesHandsItsColourToTheHost)
{
    const Game game = fourPersonGame();
    const std::string reference = inOneProcess(game);

    const quint16 port = freePort();
    Peer host, bluePeer;
    // Blue makes two moves and then waits for players who never come; the
    // host plays every other move, and blue's too once blue is gone.
    host.start({"--host", "--port", QString::number(port), "--code", "tesuto"},
               "wait players 2\nmenu PLAY_4\n" + game.of({black, white, red}, blue, 2) + "wait end\nstate\n");
    ASSERT_TRUE(host.says("hosting on port"));
    std::string twoMoves;
    int taken = 0;
    for (const auto& [colour, click] : game.clicks)
        if (colour == blue && taken < 2) {
            twoMoves += click;
            ++taken;
        }
    bluePeer.start({"--join", "127.0.0.1:" + QString::number(port), "--code", "tesuto", "--seat", "blue"},
               twoMoves + "state\nwait players 8\n");
    // Blue's state comes once its second move is back from the host; then it dies.
    for (int i = 0; i < 200 && bluePeer.read("trace").find("state ") == std::string::npos; ++i)
        bluePeer.process.waitForFinished(50);
    ASSERT_NE(bluePeer.read("trace").find("state "), std::string::npos) << bluePeer.read("errors");
    bluePeer.process.kill();
    bluePeer.process.waitForFinished(10000);
    EXPECT_TRUE(host.says("the window of blue has left"));
    EXPECT_EQ(lastState(host.finish()), lastState(reference));
}

TEST(NetworkGame, AWindowThatJoinsAgainCatchesUpWithThisGameOnly)
{
    const Game game = fourPersonGame();
    const std::string reference = inOneProcess(game);

    // The joined colour with the most moves: its first window makes two
    // moves and leaves; the host plays on to that colour's third turn, and
    // the colour's second window takes it from there.
    auto moveCount = [&](int c) { return std::count(game.mine[c].begin(), game.mine[c].end(), '\n'); };
    int colour = blue;
    for (int c : {white, red})
        if (moveCount(c) > moveCount(colour))
            colour = c;
    std::string before, after, mineFirst, mineAfter;
    int moves = 0;
    for (const auto& [mover, click] : game.clicks) {
        if (mover == colour)
            (++moves <= 2 ? mineFirst : mineAfter) += click;
        else
            (moves > 2 ? after : before) += click;
    }
    ASSERT_FALSE(mineAfter.empty());
    const QString seat = QStringList{"", "black", "blue", "white", "red"}[colour];
    const quint16 port = freePort();
    const QString at = "127.0.0.1:" + QString::number(port);
    Peer host, first, again;
    // A game started and taken back to the first position before anyone
    // joins is no part of what a window joining later catches up with.
    host.start({"--host", "--port", QString::number(port), "--code", "tesuto"}, "-");
    host.process.write(QByteArray::fromStdString("menu PLAY_4\nmenu SAISYO\nwait players 2\nmenu PLAY_4\n" + before));
    ASSERT_TRUE(host.says("hosting on port"));
    first.start({"--join", at, "--code", "tesuto", "--seat", seat}, mineFirst);
    first.finish();
    ASSERT_TRUE(host.says("has left"));
    again.start({"--join", at, "--code", "tesuto", "--seat", seat}, mineAfter + "wait end\nstate\n");
    host.process.write(QByteArray::fromStdString("wait players 2\n" + after + "wait end\nstate\n"));
    host.process.closeWriteChannel();
    EXPECT_EQ(lastState(host.finish()), lastState(reference));
    const std::string rejoined = again.finish();
    EXPECT_EQ(boxes(rejoined), boxes(reference));
    EXPECT_EQ(lastState(rejoined), lastState(reference));
}

TEST(NetworkGame, AWindowJoinsAGameWhoseCatchUpIsAtTheLimitAndNoLonger)
{
    // The host's seating and then keys, which do nothing in a game: as many
    // as the catch-up holds, and then one more.
    auto cost = [](const std::string& line) { return line.size() + net::lineCost; };
    const std::size_t keys = (net::maxCatchUp - cost("input host menu PLAY_4")) / cost("input host key 65");
    for (const std::size_t count : {keys, keys + 1}) {
        SCOPED_TRACE(count);
        std::string script = "menu PLAY_4\n";
        for (std::size_t i = 0; i < count; ++i)
            script += "key 65\n";
        const QString port = QString::number(freePort());
        Peer host, joined;
        host.start({"--host", "--port", port, "--code", "tesuto"}, script + "wait players 2\n");
        ASSERT_TRUE(host.says("hosting on port"));
        joined.start({"--join", "127.0.0.1:" + port, "--code", "tesuto"}, "wait players 2\n");
        if (count == keys) {
            joined.finish();
            host.finish();
            continue;
        }
        EXPECT_TRUE(joined.process.waitForFinished(60000));
        EXPECT_EQ(joined.process.exitCode(), 2);
        EXPECT_NE(joined.read("errors").find("run too long"), std::string::npos) << joined.read("errors");
        host.process.kill();
        host.process.waitForFinished(10000);
    }
}

TEST(NetworkGame, TheHostsStrongComputerPlaysAtEveryWindowAndALateWindowCatchesUp)
{
    // Persons on black and white, the strong computer on blue and red. The
    // persons' clicks come from the same game played in one process.
    LoadedGame loaded(false);
    Form1& form = loaded.game.form;
    form.computer().setLevel(1);
    form.PLAY_TOIMEN_Click();
    std::array<std::string, 5> mine;
    std::vector<std::string> blackClicks;
    for (int clicks = 0; loaded.game.s.turnColour != noneValue && clicks < 100; ++clicks) {
        const int colour = loaded.game.s.turnColour;
        const auto squares = legalSquares(loaded.game.s, colour);
        ASSERT_FALSE(squares.empty());
        const auto [column, row] = squares.front();
        const std::string click = "click " + std::to_string(column) + " " + std::to_string(row) + "\n";
        (colour == black ? blackClicks.emplace_back() : mine[colour]) += click;
        clickSquare(form, column, row);
    }
    auto ranking = [](const std::vector<std::string>& boxes) {
        const auto box = std::find_if(boxes.begin(), boxes.end(),
                                      [](const std::string& b) { return b.find("1 位") != std::string::npos; });
        return box == boxes.end() ? std::string("(no ranking)") : *box;
    };
    const std::string reference = ranking(boxes(linesText(loaded.game.ui.lines)));
    ASSERT_NE(reference, "(no ranking)");
    ASSERT_GT(blackClicks.size(), 4u);

    const QString port = QString::number(freePort());
    const QString at = "127.0.0.1:" + port;
    Peer host, joined, late;
    // The late window watches from black's fourth move on.
    std::string hostScript = "wait players 2\nmenu PLAY_TOIMEN\n";
    for (std::size_t i = 0; i < blackClicks.size(); ++i)
        hostScript += (i == 3 ? "wait players 3\n" : "") + blackClicks[i];
    host.start({"--computer", "1", "--host", "--port", port, "--code", "tesuto"}, hostScript + "wait end\n");
    ASSERT_TRUE(host.says("hosting on port")) << host.read("errors");
    joined.start({"--join", at, "--code", "tesuto", "--seat", "white"}, mine[white] + "wait end\n");
    // The late window starts once the game has (the host waits for white's
    // window to choose the seating), so that it cannot be the second window.
    for (int i = 0; i < 200 && joined.read("trace").find("msgbox") == std::string::npos; ++i)
        joined.process.waitForFinished(50);
    // Its own --computer is the host's to choose.
    late.start({"--computer", "strong", "--join", at, "--code", "tesuto", "--seat", "watch"}, "wait end\n");
    EXPECT_TRUE(late.says("left aside"));
    const std::vector<std::string> hosted = boxes(host.finish());
    EXPECT_EQ(ranking(hosted), reference);
    EXPECT_EQ(boxes(joined.finish()), hosted) << joined.read("errors");
    EXPECT_EQ(boxes(late.finish()), hosted) << late.read("errors");
}

}  // namespace
}  // namespace korvalo::testing
