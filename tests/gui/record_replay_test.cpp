// Keeping a game: a whole game played in the window as a person plays it,
// through the menu and the mouse, is recorded; the scenario driver and a
// second window replaying the file see the same message boxes and pauses in
// the same order and end in the same position with the same settings.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <sstream>

#include "app/game_record.h"
#include "app/main_window.h"
#include "app/replay.h"
#include "flow/form1.h"
#include "script/script_runner.h"
#include "support/game_driver.h"

namespace korvalo {
namespace {

using testing::legalSquares;
using testing::squareX;
using testing::squareY;
using testing::TemporaryWorkingFolder;

// The real game without its pauses, noting its message boxes and pauses as
// the driver prints them.
class QuickWindow : public MainWindow {
public:
    QuickWindow() : MainWindow(nullptr) {}
    std::vector<std::string> events;

    void wait(double seconds) override { events.push_back("wait " + formatSeconds(seconds)); }
    Answer messageBox(const std::string& text, const std::string& title, Buttons buttons, BoxIcon icon) override
    {
        const Answer answer = MainWindow::messageBox(text, title, buttons, icon);
        static const char* const names[] = {"OK", "Yes", "No"};
        events.push_back("msgbox " + quoted(text) + " " + quoted(title) + (buttons == Buttons::OK ? " OK" : " YesNo") +
                         (icon == BoxIcon::Exclamation ? " exclamation" : " none") + " -> " +
                         names[static_cast<int>(answer)]);
        return answer;
    }
};

// The person: answers every box on the screen, No to a question.
class Person : public QObject {
public:
    Person()
    {
        connect(&timer_, &QTimer::timeout, this, [] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
                    QAbstractButton* no = box->button(QMessageBox::No);
                    (no ? no : box->defaultButton())->click();
                }
        });
        timer_.start(1);
    }

private:
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
        QString opened, error;
        ASSERT_TRUE(record.open(folder.path() + "/game.txt", &opened, &error)) << error.toStdString();
        live.recordInto(&record);
        live.load();
        Person person;
        live.menuItem("JYUNBAN_1")->trigger();
        for (int presses = 0; !live.ended() && presses < 100; ++presses) {
            if (presses == 3) {
                live.menuItem("AICON")->trigger();
                live.menuItem("MODORU")->trigger();
            }
            const auto squares = legalSquares(live.form().s, live.form().s.turnColour);
            const auto [column, row] = squares.empty() ? std::pair{1, 1} : squares.front();
            click(live.drawingArea(), column, row, presses % 3 == 1 ? Qt::RightButton : Qt::LeftButton);
        }
        ASSERT_TRUE(live.ended()) << "the game did not end";
        live.recordInto(nullptr);
        liveSettings = settings();
        std::ifstream in(opened.toStdString());
        std::stringstream recorded;
        recorded << in.rdbuf();
        text = recorded.str();
    }
    const GameState& end = live.form().s;
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
        EXPECT_EQ(eventsOf(lines), live.events);
        EXPECT_EQ(lines.back(), "exit");
        EXPECT_EQ(boardText(driver.form().s.board), boardText(end.board));
        EXPECT_EQ(driver.form().s.moveNumber, end.moveNumber);
        EXPECT_EQ(settings(), liveSettings);
    }

    {
        TemporaryWorkingFolder folder;
        QuickWindow again;
        std::istringstream script(text);
        Replay replay(again, script);
        replay.inputGap = replay.answerDelay = std::chrono::milliseconds(0);
        again.load();
        replay.start();
        // Not in an event loop of its own, which the end of the program would leave.
        EXPECT_TRUE(QTest::qWaitFor([&] { return !replay.running(); }, 20000));
        EXPECT_TRUE(replay.problem().isEmpty()) << replay.problem().toStdString();
        EXPECT_TRUE(again.ended());
        EXPECT_EQ(again.events, live.events);
        EXPECT_EQ(boardText(again.form().s.board), boardText(end.board));
        EXPECT_EQ(settings(), liveSettings);
    }
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
    EXPECT_EQ(window.form().s.turnColour, black);
    EXPECT_EQ(window.form().s.moveNumber, 0);
    click(window.drawingArea(), 4, 3, Qt::LeftButton);
    EXPECT_EQ(window.form().s.moveColumn[1], 4);
    EXPECT_EQ(window.form().s.moveRow[1], 3);
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
        EXPECT_EQ(window.form().s.turnColour, black) << quit;
        EXPECT_EQ(window.form().s.moveNumber, 0) << quit;
    }
}

TEST(KeepingAGame, AnExistingFileIsNeverWrittenOver)
{
    TemporaryWorkingFolder folder;
    const QString path = folder.path() + "/game.txt";
    QFile kept(path);
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    kept.write("mine\n");
    kept.close();
    QString opened, error;
    GameRecord first, second, nowhere;
    ASSERT_TRUE(first.open(path, &opened, &error));
    EXPECT_EQ(opened, folder.path() + "/game-1.txt");
    ASSERT_TRUE(second.open(path, &opened, &error));
    EXPECT_EQ(opened, folder.path() + "/game-2.txt");
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "mine\n");
    EXPECT_FALSE(nowhere.open(folder.path() + "/no/such/folder/game.txt", &opened, &error));
    EXPECT_FALSE(error.isEmpty());
}

}  // namespace
}  // namespace korvalo
