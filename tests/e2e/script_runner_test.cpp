#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "input/game_record.h"

#include "net/game_setup.h"
#include "script/script_interpreter.h"
#include "session/session.h"
#include "script/script_language.h"
#include "driver/script_runner.h"
#include "support/game_driver.h"
#include "support/test_game.h"

namespace korvalo::testing {
namespace {

struct ScriptResult {
    int code = -1;
    std::vector<std::string> lines;
    std::string errors;
};

ScriptResult runScript(const std::string& script, ScriptOptions options = {})
{
    std::ostringstream out, err;
    ScriptRunner runner(options, out, nullptr, [](const std::string&) { return false; });
    std::istringstream in(script);
    ScriptResult run;
    run.code = runner.run(in, err);
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);)
        run.lines.push_back(line);
    run.errors = err.str();
    return run;
}

size_t indexOf(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) - lines.begin();
}

// Notes what the one interpreter asks of the program it runs in, in order.
struct NotingListener : ScriptListener {
    std::vector<std::string> notes;
    static std::string kind(const Input& input)
    {
        const std::string line = inputLine(input);
        return line.substr(0, line.find(' '));
    }
    bool snapshot(const std::string& file, std::string* refusal) override
    {
        notes.push_back("snapshot " + file);
        *refusal = "no pictures here";
        return false;
    }
    bool waitForPlayers(int players, std::string*) override
    {
        notes.push_back("players " + std::to_string(players));
        return true;
    }
    bool waitForTheEnd(std::string*) override
    {
        notes.push_back("end");
        return true;
    }
    bool awaitTurn(const Input& input, std::string*) override
    {
        notes.push_back("turn " + kind(input));
        return true;
    }
    void inputGiven(const Input& input) override { notes.push_back("given " + kind(input)); }
};

TEST(ScriptInterpreter, CarriesOutTheLinesUpToEachInputWhichGoesInWhenAskedAndStopsAtALineRefused)
{
    using Step = ScriptInterpreter::Step;
    TemporaryWorkingFolder folder;
    writeGameWaveFiles();
    TestGame game;
    FormEvents events(game.form);
    InputPath path(events);
    InputSource source;
    NotingListener listener;
    std::istringstream script("menu JYUNBAN_1\nwait players 2\nanswer OK Yes\nclick 4 3\n"
                              "state\nwait end\nsnapshot a.png\nclick 5 5\n");
    ScriptReader reader(script);
    std::ostringstream out;
    ScriptInterpreter interpreter(reader, path, source, game.form, listener, out);
    path.load();

    // An input read ahead waits for the caller; the lines before the next
    // input are carried out when it is read, not before.
    ASSERT_EQ(interpreter.readAhead(), Step::Input);
    EXPECT_TRUE(listener.notes.empty());
    EXPECT_EQ(game.s.gameMode, noneValue);
    ASSERT_TRUE(interpreter.give());
    EXPECT_EQ(game.s.gameMode, 1);
    ASSERT_EQ(interpreter.readAhead(), Step::Input);
    EXPECT_EQ(path.answersWaiting(), 2u);
    EXPECT_EQ(game.s.moveNumber, 0);
    ASSERT_TRUE(interpreter.give());
    EXPECT_EQ(game.s.moveNumber, 4);
    EXPECT_EQ(out.str(), "");

    ASSERT_EQ(interpreter.readAhead(), Step::Stopped);
    EXPECT_EQ(out.str().rfind("state turn=", 0), 0u) << out.str();
    EXPECT_EQ(interpreter.stop(), ScriptInterpreter::Stop::Refused);
    EXPECT_EQ(interpreter.problem(), "line 7: no pictures here: snapshot a.png");
    EXPECT_EQ(listener.notes, (std::vector<std::string>{"turn menu", "given menu", "players 2", "turn press",
                                                        "given press", "end", "snapshot a.png"}));
    // Stopped, it reads no further.
    EXPECT_EQ(interpreter.readAhead(), Step::Stopped);
    EXPECT_EQ(reader.number(), 7);
}

// Notes what a session tells its face.
struct NotingSessionListener : SessionListener {
    std::vector<std::string> lines;
    std::vector<HostingNews> hosted;
    void logLine(const std::string& line) override { lines.push_back(line); }
    void hosting(const HostingNews& news) override { hosted.push_back(news); }
};

// A network role that acts on the game when it goes, as the window's does.
struct NotingRole : NetworkRole {
    Session& session;
    std::vector<std::string>& calls;
    NotingRole(Session& session, std::vector<std::string>& calls) : session(session), calls(calls) {}
    ~NotingRole() override { session.form().computer().waitForCarriedSquares(nullptr); }
    bool start(const SessionOptions& options, QString*) override
    {
        calls.push_back("start " + options.host);
        return true;
    }
    void stop() override { calls.push_back("stop"); }
};

TEST(Session, AJoinedGameLeavesItsOwnComputerAsideAndTheRoleGoesBeforeTheGame)
{
    TemporaryWorkingFolder folder;
    RecordingPlatform ui;
    NotingSessionListener listener;
    std::vector<std::string> calls;
    {
        Session session(ui, nullptr, listener);
        SessionOptions options;
        options.computerLevel = strongestLevel;
        options.role = SessionOptions::Role::Join;
        options.host = "::1";
        session.apply(options);
        EXPECT_EQ(session.form().computer().level(), standardLevel);
        EXPECT_EQ(listener.lines, std::vector<std::string>{"--computer is the host's to choose; it is left aside here"});
        QString why = QStringLiteral("the module is missing");
        EXPECT_FALSE(session.startNetwork(nullptr, options, &why));
        EXPECT_EQ(why, QStringLiteral("the module is missing"));
        EXPECT_TRUE(session.startNetwork(std::make_unique<NotingRole>(session, calls), options, &why));
        session.stopNetwork();
        options.role = SessionOptions::Role::Host;
        session.apply(options);
        EXPECT_EQ(session.form().computer().level(), strongestLevel);
        EXPECT_EQ(listener.lines.size(), 1u);
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"start ::1", "stop"}));
}

TEST(Session, AGameHostedOnPortZeroTellsTheListenerThePortItListensOn)
{
    TemporaryWorkingFolder folder;
    RecordingPlatform ui;
    NotingSessionListener listener;
    Session session(ui, nullptr, listener);
    QString why;
    const auto hosted = net::HostedGame::open(session.path(), session.form(), "", 0, listener, &why);
    ASSERT_TRUE(hosted) << why.toStdString();
    ASSERT_EQ(listener.hosted.size(), 1u);
    EXPECT_NE(listener.hosted[0].port, 0);
    EXPECT_EQ(listener.hosted[0].port, hosted->host().port());
    EXPECT_EQ(listener.hosted[0].code, hosted->host().code());
    EXPECT_FALSE(listener.hosted[0].weakCode);
    EXPECT_FALSE(listener.hosted[0].addresses.isEmpty());
}

TEST(ScriptDriver, PrintsTheStartUpThenEachCommandsEventsAndTheState)
{
    TemporaryWorkingFolder folder;
    writeGameWaveFiles();
    const ScriptResult run = runScript("# one person on black\n\nmenu JYUNBAN_1\nclick 4 3\nstate\n");
    EXPECT_EQ(run.code, 0) << run.errors;
    ASSERT_GE(run.lines.size(), 10u);
    EXPECT_EQ(run.lines[0], "sound dsInitialize");
    EXPECT_EQ(run.lines[1], "sound dsCreateDSB その他.wav 3");
    EXPECT_LT(indexOf(run.lines, "check BGM 1"), indexOf(run.lines, "msgbox \"下の番です\" \"\" OK none -> OK"));
    const size_t state = indexOf(run.lines, "state turn=1 mode=1 move=4 last=4 kinds=1,-1,-1,-1 "
                                            "checks=TEJYUN:0,AICON:0,BGM:1");
    ASSERT_LT(state, run.lines.size());
    ASSERT_EQ(run.lines.size(), state + 10);
    int stones = 0;
    for (int row = 1; row <= 9; ++row) {
        const std::string& line = run.lines[state + row];
        ASSERT_EQ(line.size(), 15u) << line;
        EXPECT_EQ(line.substr(0, 6), "row " + std::to_string(row) + " ");
        for (char ch : line.substr(6)) {
            EXPECT_TRUE(ch >= '0' && ch <= '4') << line;
            stones += ch != '0';
        }
    }
    EXPECT_EQ(stones, 16 + 4);
    // No drawing primitives without --draw.
    for (const std::string& line : run.lines)
        EXPECT_FALSE(RecordingPlatform::isDrawingLine(line)) << line;
}

TEST(ScriptDriver, DrawPrintsThePrimitivesAndAnswersAreQueued)
{
    TemporaryWorkingFolder folder;
    ScriptOptions options;
    options.draw = true;
    const ScriptResult run = runScript("answer No\nmenu JYUNBAN_1\nrelease 0 0\npress 1100 2300 right\n", options);
    EXPECT_EQ(run.code, 0);
    EXPECT_LT(indexOf(run.lines, "picture RABERU 0 7100 250"), run.lines.size());
    EXPECT_LT(indexOf(run.lines, "refresh"), run.lines.size());
    // An OK box leaves a queued No for a Yes/No question.
    EXPECT_LT(indexOf(run.lines, "msgbox \"下の番です\" \"\" OK none -> OK"), run.lines.size());
    // A right-button press on a3 is refused like a left one.
    EXPECT_EQ(run.lines.back().substr(0, 19), "picture KOMA_SIDOU ");
}

TEST(ScriptDriver, StopsReadingWhenTheProgramEnds)
{
    TemporaryWorkingFolder folder;
    writeGameWaveFiles();
    const ScriptResult run = runScript("key 13\nkey 27\nmenu JYUNBAN_1\nnot a command\n");
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.lines.back(), "exit");
    EXPECT_EQ(run.lines[run.lines.size() - 2], "sound dsTerminate");
    EXPECT_TRUE(run.errors.empty());
}

TEST(ScriptDriver, MalformedCommandsExitWithTwo)
{
    TemporaryWorkingFolder folder;
    for (const char* bad : {"menu NOTHING\n", "menu\n", "press 1\n", "press 1 2 middle\n", "click a 3\n",
                            "key\n", "answer Maybe\n", "answer\n", "state now\n", "jump 3\n", "close 1\n",
                            "release 1 2 3\n", "press inf 2\n", "press 1e308 -1e308\n", "release 0 1000001\n"}) {
        const ScriptResult run = runScript(std::string("state\n") + bad + "state\n");
        EXPECT_EQ(run.code, 2) << bad;
        EXPECT_NE(run.errors.find("line 2"), std::string::npos) << bad;
        // The state after the bad line is never printed.
        size_t states = 0;
        for (const std::string& line : run.lines)
            states += line.rfind("state ", 0) == 0;
        EXPECT_EQ(states, 1u) << bad;
    }
}

TEST(ScriptDriver, ARecordingCutShortInItsLastLineReplaysUpToTheCut)
{
    TemporaryWorkingFolder folder;
    const std::string lines = "answer OK\nmenu JYUNBAN_1\nclick 4 3\nstate";
    // A script of one's own may end without a line feed.
    const ScriptResult own = runScript(lines);
    EXPECT_EQ(own.code, 0);
    EXPECT_EQ(own.lines[own.lines.size() - 10].substr(0, 20), "state turn=1 mode=1 ");
    // A recording ends every line with one; its last line was cut.
    const ScriptResult cut = runScript(recordingHeader("2026-12-08T00:00:00Z") + "\n" + lines);
    EXPECT_EQ(cut.code, 2);
    EXPECT_EQ(cut.errors, "korvalo-script: line 5: the recording was cut short in this line, which is not "
                          "replayed: state\n");
    EXPECT_EQ(cut.lines, std::vector<std::string>(own.lines.begin(), own.lines.end() - 10));
}

TEST(ScriptDriver, SoundOptions)
{
    TemporaryWorkingFolder folder;
    writeGameWaveFiles();
    ScriptOptions silent;
    silent.soundLibrary = false;
    for (const std::string& line : runScript("menu SONOTA\n", silent).lines)
        EXPECT_NE(line.rfind("sound", 0), 0u) << line;

    ScriptOptions noDevice;
    noDevice.soundDevice = false;
    const ScriptResult run = runScript("", noDevice);
    EXPECT_EQ(run.lines[0], "sound dsInitialize");
    EXPECT_EQ(run.lines[1], "msgbox \"Direct Soundインターフェースが作成できません。\" \"Korvalo.dll\" OK exclamation -> OK");
    EXPECT_EQ(indexOf(run.lines, "sound dsCreateDSB その他.wav 3"), run.lines.size());
}


TEST(ScriptDriver, AStrongComputersGameRecordedReplaysToTheSameBoardWithoutSearching)
{
    TemporaryWorkingFolder folder;
    GameRecord record;
    std::string opened, error;
    ASSERT_TRUE(record.open(folder.file("game.txt"), &opened, &error)) << error;
    ScriptOptions options;
    options.soundLibrary = false;
    options.computerLevel = 3;
    std::ostringstream out, err;
    ScriptRunner live(options, out, nullptr);
    live.path().recordInto(&record);
    // Black opens for the computer; each of blue's presses brings white,
    // red and black, up to the end of the game, whose question the last
    // press answers No. The computer searches at the opening, at the first
    // press and from the 52nd move on (the search is slow in a sanitizer
    // build).
    std::istringstream opening("menu JYUNBAN_2\nanswer No\n");
    ASSERT_EQ(live.run(opening, err), 0) << err.str();
    int presses = 0, searched = live.form().state().moveNumber;
    for (; live.form().state().turnColour == blue && presses < 40; ++presses) {
        const int before = live.form().state().moveNumber;
        const bool strong = presses == 0 || before >= 52;
        const auto [column, row] = legalSquares(live.form().state(), blue).back();
        std::istringstream press(std::string(!strong ? "computer standard\n" : presses % 2 ? "computer 1\n" : "computer 3\n") + "click " +
                                 std::to_string(column) + " " + std::to_string(row) + "\n");
        ASSERT_EQ(live.run(press, err), 0) << err.str();
        if (strong)
            searched += live.form().state().moveNumber - before - 1;
    }
    live.path().recordInto(nullptr);
    ASSERT_NE(out.str().find("msgbox \"続けます？\""), std::string::npos) << out.str();
    const int moves = live.form().state().moveNumber;

    std::ifstream in(opened);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    // Each square the strong computer played comes before the input that
    // played it: black's before the seating, three before blue's press.
    std::string text, withoutSquares;
    int squares = 0;
    for (const std::string& line : lines) {
        text += line + "\n";
        if (line.rfind("computer ", 0) == 0)
            ++squares;
        else
            withoutSquares += line + "\n";
    }
    EXPECT_EQ(squares, searched) << text;
    EXPECT_LT(text.find("computer "), text.find("menu JYUNBAN_2")) << text;
    EXPECT_LT(text.find("computer ", text.find("menu JYUNBAN_2")), text.find("press ")) << text;
    // A press whose handler both played computer squares and answered a
    // pass's box keeps both; the last press answered the question.
    bool both = false;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
        both = both || (lines[i].rfind("computer ", 0) == 0 && lines[i + 1].rfind("answer ", 0) == 0);
    EXPECT_TRUE(both) << text;
    const std::size_t lastAnswer = text.rfind("answer ");
    EXPECT_TRUE(text.substr(lastAnswer, text.find('\n', lastAnswer) - lastAnswer).ends_with(" No")) << text;
    EXPECT_LT(lastAnswer, text.rfind("press ")) << text;

    // A driver with the standard computer, which never searches, plays the
    // recorded squares; without them it plays a game of its own.
    options.computerLevel = standardLevel;
    for (const auto& [script, same] : {std::pair{text, true}, std::pair{withoutSquares, false}}) {
        std::ostringstream replayOut, replayErr;
        ScriptRunner replay(options, replayOut, nullptr);
        std::istringstream in(script);
        ASSERT_EQ(replay.run(in, replayErr), 0) << replayErr.str();
        const bool sameGame = replay.form().state().moveNumber == moves &&
                              boardText(replay.form().state().board) == boardText(live.form().state().board);
        EXPECT_EQ(sameGame, same) << script;
        EXPECT_EQ(replay.form().computer().carriedCount(), 0u);
    }
}

}  // namespace
}  // namespace korvalo::testing
