// Keeping a game: a whole game played in the window as a person plays it,
// through the menu and the mouse, is recorded; the scenario driver and a
// second window replaying the file see the same message boxes and pauses in
// the same order and end in the same position with the same settings.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "input/game_record.h"
#include "app/main_window.h"
#include "app/replay.h"
#include "flow/form1.h"
#include "script/script_reader.h"
#include "driver/script_runner.h"
#include "support/game_driver.h"

namespace korvalo {
namespace {

using testing::legalSquares;
using testing::squareX;
using testing::squareY;
using testing::TemporaryWorkingFolder;

// The real game without its pauses, noting its message boxes and pauses as
// the driver prints them.
class QuickPlatform : public WindowPlatform {
public:
    using WindowPlatform::WindowPlatform;
    std::vector<std::string> events;

    void wait(double seconds) override { events.push_back("wait " + formatSeconds(seconds)); }
    Answer messageBox(const std::string& text, const std::string& title, Buttons buttons, BoxIcon icon) override
    {
        const Answer answer = WindowPlatform::messageBox(text, title, buttons, icon);
        static const char* const names[] = {"OK", "Yes", "No"};
        events.push_back("msgbox " + quoted(text) + " " + quoted(title) + (buttons == Buttons::OK ? " OK" : " YesNo") +
                         (icon == BoxIcon::Exclamation ? " exclamation" : " none") + " -> " +
                         names[static_cast<int>(answer)]);
        return answer;
    }
};

class QuickWindow : public MainWindow {
public:
    QuickWindow()
        : MainWindow(nullptr, nullptr, [](MainWindow& window) { return std::make_unique<QuickPlatform>(window); })
    {
    }
    std::vector<std::string>& events() { return static_cast<QuickPlatform&>(platform()).events; }
};

// The person: answers every box on the screen, a question with `question`
// (No unless told), noting each box's text and, at a question, calling
// atQuestion first.
class Person : public QObject {
public:
    explicit Person(QMessageBox::StandardButton question = QMessageBox::No) : question_(question)
    {
        connect(&timer_, &QTimer::timeout, this, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
                    texts.push_back(box->text());
                    QAbstractButton* answer = box->button(question_);
                    if (answer && atQuestion)
                        atQuestion();
                    (answer ? answer : box->defaultButton())->click();
                }
        });
        timer_.start(1);
    }
    std::vector<QString> texts;
    std::function<void()> atQuestion;

private:
    QMessageBox::StandardButton question_;
    QTimer timer_;
};

void click(QWidget* area, int column, int row, Qt::MouseButton button)
{
    const QPointF at(squareX(column) / 15, squareY(row) / 15);
    QMouseEvent press(QEvent::MouseButtonPress, at, area->mapToGlobal(at), button, button, {});
    QCoreApplication::sendEvent(area, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, area->mapToGlobal(at), button, Qt::NoButton, {});
    QCoreApplication::sendEvent(area, &release);
}

std::vector<std::string> eventsOf(const std::vector<std::string>& lines)
{
    std::vector<std::string> out;
    for (const std::string& line : lines)
        if (line.rfind("msgbox ", 0) == 0 || line.rfind("wait ", 0) == 0)
            out.push_back(line);
    return out;
}

QByteArray settings()
{
    QFile file(QStringLiteral("Korvalo.ini"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

TEST(KeepingAGame, AWholeGameRecordedInTheWindowReplaysHeadlessAndInTheWindowAlike)
{
    QuickWindow live;
    QByteArray liveSettings;
    std::string text;
    {
        TemporaryWorkingFolder folder;
        GameRecord record;
        std::string opened, error;
        ASSERT_TRUE(record.open(folder.file("game.txt"), &opened, &error)) << error;
        live.recordInto(&record);
        live.load();
        Person person;
        live.menuItem("JYUNBAN_1")->trigger();
        for (int presses = 0; !live.ended() && presses < 100; ++presses) {
            if (presses == 3) {
                live.menuItem("AICON")->trigger();
                live.menuItem("MODORU")->trigger();
            }
            const auto squares = legalSquares(live.form().state(), live.form().state().turnColour);
            const auto [column, row] = squares.empty() ? std::pair{1, 1} : squares.front();
            click(live.drawingArea(), column, row, presses % 3 == 1 ? Qt::RightButton : Qt::LeftButton);
        }
        ASSERT_TRUE(live.ended()) << "the game did not end";
        live.recordInto(nullptr);
        liveSettings = settings();
        std::ifstream in(opened);
        std::stringstream recorded;
        recorded << in.rdbuf();
        text = recorded.str();
    }
    const GameState& end = live.form().state();
    EXPECT_GT(end.moveNumber, 40);

    EXPECT_EQ(text.rfind("# Recorded by Korvalo ", 0), 0u);
    EXPECT_NE(text.find("\nanswer OK\nmenu JYUNBAN_1\n"), std::string::npos);
    EXPECT_NE(text.find(" right\n"), std::string::npos);
    // The press that ended it, after the answers to the result and the question.
    EXPECT_NE(text.find(" OK OK No\npress "), std::string::npos);

    {
        TemporaryWorkingFolder folder;
        ScriptOptions silent;
        silent.soundLibrary = false;
        std::ostringstream out, err;
        ScriptRunner driver(silent, out, nullptr);
        std::istringstream script(text);
        EXPECT_EQ(driver.run(script, err), 0) << err.str();
        std::vector<std::string> lines;
        std::istringstream printed(out.str());
        for (std::string line; std::getline(printed, line);)
            lines.push_back(line);
        EXPECT_EQ(eventsOf(lines), live.events());
        EXPECT_EQ(lines.back(), "exit");
        EXPECT_EQ(boardText(driver.form().state().board), boardText(end.board));
        EXPECT_EQ(driver.form().state().moveNumber, end.moveNumber);
        EXPECT_EQ(settings(), liveSettings);
    }

    {
        // The recorded game was left by No to the question whether to play
        // on: the replay stops with that box open, and the person who answers
        // Yes plays on.
        TemporaryWorkingFolder folder;
        QuickWindow again;
        std::istringstream script(text);
        Replay replay(again, script);
        replay.inputGap = replay.answerDelay = std::chrono::milliseconds(0);
        Person person(QMessageBox::Yes);
        bool replaying = true;
        std::string atQuestion;
        person.atQuestion = [&] {
            replaying = replay.running();
            atQuestion = boardText(again.form().state().board);
        };
        again.load();
        replay.start();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !replay.running(); }, 20000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !atQuestion.empty(); }, 20000));
        EXPECT_FALSE(replaying);
        EXPECT_TRUE(replay.problem().isEmpty()) << replay.problem().toStdString();
        EXPECT_FALSE(again.ended());
        EXPECT_EQ(atQuestion, boardText(end.board));
        std::vector<std::string> expected = live.events();
        expected.back().replace(expected.back().rfind("-> No"), 5, "-> Yes");
        EXPECT_EQ(again.events(), expected);
        EXPECT_EQ(again.form().state().moveNumber, 0);
        EXPECT_EQ(settings(), liveSettings);
    }
}

// The text of a record after its first line, which says when it was made.
std::string recordBody(const std::string& path)
{
    std::ifstream in(path);
    std::string first;
    std::getline(in, first);
    std::stringstream rest;
    rest << in.rdbuf();
    return rest.str();
}

TEST(KeepingAGame, ThePersonAReplayAndAScriptGiveTheGameTheSameInputsThroughOnePath)
{
    TemporaryWorkingFolder folder;
    std::string opened[3], error;
    GameRecord records[3];
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(records[i].open(folder.file("game.txt"), &opened[i], &error)) << error;

    {
        // The person: menus, clicks with two buttons, a key, the history.
        QuickWindow window;
        window.recordInto(&records[0]);
        window.load();
        Person person;
        window.menuItem("PLAY_4")->trigger();
        click(window.drawingArea(), 4, 3, Qt::LeftButton);
        click(window.drawingArea(), 1, 1, Qt::RightButton);
        QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QCoreApplication::sendEvent(&window, &key);
        window.menuItem("MODORU")->trigger();
        window.menuItem("SUSUMU")->trigger();
        window.menuItem("TEJYUN")->trigger();
        window.recordInto(nullptr);
    }
    const std::string played = recordBody(opened[0]);
    EXPECT_NE(played.find("menu PLAY_4\n"), std::string::npos) << played;
    EXPECT_NE(played.find(" right\n"), std::string::npos) << played;
    EXPECT_NE(played.find("key 97\n"), std::string::npos) << played;

    {
        // The same inputs replayed from the record in another window.
        QuickWindow window;
        window.recordInto(&records[1]);
        std::ifstream in(opened[0]);
        Replay replay(window, in);
        replay.inputGap = replay.answerDelay = std::chrono::milliseconds(0);
        window.load();
        replay.start();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !replay.running(); }, 20000));
        EXPECT_TRUE(replay.problem().isEmpty()) << replay.problem().toStdString();
        window.recordInto(nullptr);
    }
    EXPECT_EQ(recordBody(opened[1]), played);

    {
        // And given by a script to the driver.
        ScriptOptions silent;
        silent.soundLibrary = false;
        std::ostringstream out, err;
        ScriptRunner driver(silent, out, nullptr);
        driver.path().recordInto(&records[2]);
        std::ifstream in(opened[0]);
        EXPECT_EQ(driver.run(in, err), 0) << err.str();
    }
    EXPECT_EQ(recordBody(opened[2]), played);
}

TEST(KeepingAGame, AnUnreadableLineStopsTheReplayThereAndHandsTheWindowToThePerson)
{
    TemporaryWorkingFolder folder;
    QuickWindow window;
    std::istringstream script("answer OK\nmenu JYUNBAN_1\nbogus 1\nclick 4 3\n");
    Replay replay(window, script);
    replay.inputGap = replay.answerDelay = std::chrono::milliseconds(0);
    window.load();
    Person person;  // answers the report of the stop
    // The person's press on d3 arrives while the replay runs: ignored.
    const QPointF d3(squareX(4) / 15, squareY(3) / 15);
    QCoreApplication::postEvent(window.drawingArea(), new QMouseEvent(QEvent::MouseButtonPress, d3, d3, Qt::LeftButton,
                                                                      Qt::LeftButton, {}));
    replay.start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !replay.running(); }, 20000));
    EXPECT_EQ(replay.problem(), "line 3: unknown command: bogus 1");
    // The person reads where and why in Japanese; the terminal has the line itself.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !person.texts.empty(); }, 5000));
    EXPECT_EQ(person.texts.back(), QString::fromUtf8("再生はここで止まりました。この局面から続けられます。\n\n3 行目: 読めない行です。"));
    EXPECT_EQ(window.form().state().turnColour, black);
    EXPECT_EQ(window.form().state().moveNumber, 0);
    click(window.drawingArea(), 4, 3, Qt::LeftButton);
    EXPECT_EQ(window.form().state().moveColumn[1], 4);
    EXPECT_EQ(window.form().state().moveRow[1], 3);
}

TEST(KeepingAGame, AReplayInTheWindowStopsWhereTheRecordedGameWasLeft)
{
    TemporaryWorkingFolder folder;
    for (const char* quit : {"key 27", "close", "menu EXIT"}) {
        QuickWindow window;
        std::istringstream script(std::string("answer OK\nmenu JYUNBAN_1\n") + quit + "\nclick 4 3\n");
        Replay replay(window, script);
        replay.inputGap = replay.answerDelay = std::chrono::milliseconds(0);
        window.load();
        replay.start();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !replay.running(); }, 20000));
        EXPECT_FALSE(window.ended()) << quit;
        EXPECT_TRUE(replay.problem().isEmpty()) << quit;
        EXPECT_EQ(window.form().state().turnColour, black) << quit;
        EXPECT_EQ(window.form().state().moveNumber, 0) << quit;
    }
}

TEST(KeepingAGame, APipeIsReplayedAsItIsWrittenAndAReplayWritesNoFile)
{
    TemporaryWorkingFolder folder;
    const std::string pipe = folder.file("game.pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // Nobody writes yet: neither the opening nor the replay waits for it.
    std::string error;
    const int fd = openScriptFile(pipe, &error);
    ASSERT_GE(fd, 0) << error;
    QuickWindow window;
    Replay replay(window, fd);
    replay.inputGap = replay.answerDelay = std::chrono::milliseconds(0);
    window.load();
    replay.start();
    EXPECT_TRUE(replay.running());

    QFile writer(QString::fromStdString(pipe));
    ASSERT_TRUE(writer.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    writer.write("answer OK\nmenu JYUNBAN_1\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.form().state().playerKind[1] == humanValue; }, 20000));
    EXPECT_TRUE(replay.running());

    Person answerer;  // answers the report of the stop
    writer.write("snapshot mine.png\nclick 4 3\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !replay.running(); }, 20000));
    EXPECT_EQ(replay.problem(), "line 3: a replay does not write files: snapshot mine.png");
    EXPECT_FALSE(QFile::exists("mine.png"));
    EXPECT_EQ(window.form().state().moveNumber, 0);
    EXPECT_FALSE(window.ended());
}

TEST(KeepingAGame, RecordNamesAreTakenAsTheSystemGivesThem)
{
    TemporaryWorkingFolder folder;
    const std::string path = folder.file("game.txt");
    QFile kept(QString::fromStdString(path));
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    kept.write("mine\n");
    kept.close();
    std::string opened, error;
    GameRecord first, second, nowhere, folderName, slash, bytes;
    ASSERT_TRUE(first.open(path, &opened, &error));
    EXPECT_EQ(opened, folder.file("game-1.txt"));
    ASSERT_TRUE(second.open(path, &opened, &error));
    EXPECT_EQ(opened, folder.file("game-2.txt"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "mine\n");
    EXPECT_FALSE(nowhere.open(folder.file("no/such/folder/game.txt"), &opened, &error));
    EXPECT_FALSE(error.empty());
    // A folder is no file, and neither is its name with a numbered suffix.
    EXPECT_FALSE(folderName.open(folder.path().toStdString(), &opened, &error));
    EXPECT_FALSE(slash.open(folder.file("new") + "/", &opened, &error));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 3);
    // A name that is not UTF-8 is used byte for byte.
    const std::string latin1 = folder.path().toStdString() + "/partie-\xe9t\xe9.txt";
    ASSERT_TRUE(bytes.open(latin1, &opened, &error)) << error;
    EXPECT_EQ(opened, latin1);
    struct stat status {};
    EXPECT_EQ(::stat(latin1.c_str(), &status), 0);
}

TEST(KeepingAGame, ARecordThatCanNoLongerBeWrittenIsReportedOnceAndStops)
{
    TemporaryWorkingFolder folder;
    GameRecord record;
    std::string opened, error;
    ASSERT_TRUE(record.open(folder.file("game.txt"), &opened, &error)) << error;
    QuickWindow window;
    window.recordInto(&record);
    window.load();
    Person person;
    window.menuItem("JYUNBAN_1")->trigger();
    QFile file(QString::fromStdString(opened));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    EXPECT_TRUE(written.endsWith("answer OK\nmenu JYUNBAN_1\n")) << written.toStdString();
    // Removed while the game goes on: the next input cannot be kept.
    ASSERT_EQ(::unlink(opened.c_str()), 0);
    click(window.drawingArea(), 4, 3, Qt::LeftButton);
    window.menuItem("TEJYUN")->trigger();
    const auto notices = std::count_if(person.texts.begin(), person.texts.end(), [](const QString& text) {
        return text.startsWith("この対局の記録を書けなくなりました") && text.endsWith("ファイルが消されました");
    });
    EXPECT_EQ(notices, 1);
    EXPECT_TRUE(record.failed());
    // What was written before stays as it was, and nothing is written after
    // the failure.
    file.seek(0);
    const QByteArray after = file.readAll();
    EXPECT_TRUE(after.startsWith(written));
    EXPECT_FALSE(after.contains("TEJYUN"));
    EXPECT_EQ(window.form().state().moveColumn[1], 4);
}

}  // namespace
}  // namespace korvalo
