// Network games between headless peers on loopback: four peers, each with its
// colour's clicks of one whole four-person game, end with the same message
// boxes and the same position as that game in one process; a joined peer
// that dies mid-game hands its colour to the host; a wrong code, a line of a
// megabyte, a move out of turn and a move for another colour are refused
// while the game goes on.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <array>
#include <string>
#include <vector>

#include "support/game_driver.h"

namespace korvalo::testing {
namespace {

struct Game {
    std::string whole;                // every click, for one process
    std::array<std::string, 5> mine;  // each colour's clicks
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
        clickSquare(form, column, row);
    }
    return game;
}

quint16 freePort()
{
    QTcpServer probe;
    EXPECT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    return probe.serverPort();
}

// A headless peer: korvalo-script with args, reading script, in its own
// folder. What it prints goes to files, so that no peer waits for a reader.
struct Peer {
    QTemporaryDir folder;
    QProcess process;

    void start(const QStringList& args, const std::string& script)
    {
        QFile file(folder.filePath("script"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(script));
        file.close();
        process.setProgram(KORVALO_SCRIPT);
        process.setArguments(QStringList{"--no-sound-library", "--dir", folder.path()} + args + QStringList{file.fileName()});
        process.setStandardOutputFile(folder.filePath("trace"));
        process.setStandardErrorFile(folder.filePath("errors"));
        process.start();
        ASSERT_TRUE(process.waitForStarted());
    }
    std::string read(const char* name)
    {
        QFile file(folder.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }
    // Waits (bounded) for the peer to end; its trace.
    std::string finish()
    {
        EXPECT_TRUE(process.waitForFinished(120000)) << "a peer did not end: " << read("errors");
        EXPECT_EQ(process.exitCode(), 0) << read("errors");
        return read("trace");
    }
    // Waits (bounded) until its standard error says text.
    bool says(const std::string& text)
    {
        for (int i = 0; i < 200 && read("errors").find(text) == std::string::npos; ++i)
            process.waitForFinished(50);
        return read("errors").find(text) != std::string::npos;
    }
};

std::vector<std::string> boxes(const std::string& trace)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t end; (end = trace.find('\n', start)) != std::string::npos; start = end + 1)
        if (trace.compare(start, 7, "msgbox ") == 0)
            out.push_back(trace.substr(start, end - start));
    return out;
}

std::string lastState(const std::string& trace)
{
    const std::size_t state = trace.rfind("state ");
    return state == std::string::npos ? std::string("(no state)") : trace.substr(state);
}

TEST(NetworkGame, FourHeadlessPeersPlayTheGameOfOneProcess)
{
    const Game game = fourPersonGame();
    Peer alone;
    alone.start({}, "menu PLAY_4\n" + game.whole + "state\n");
    const std::string reference = alone.finish();
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

}  // namespace
}  // namespace korvalo::testing
