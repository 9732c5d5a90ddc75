// The timing trace that bench/run.sh reads: the lines the window writes, in
// their order, and times on both clocks that agree with what happened.
#include <gtest/gtest.h>

#include <algorithm>

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <sstream>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "input/trace.h"
#include "fake_events.h"

namespace korvalo {
namespace {

struct Line {
    std::string name;
    long long monotonic = 0;
    long long cpu = 0;
    std::vector<std::string> details;
};

std::vector<Line> readTrace(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    std::vector<Line> lines;
    std::istringstream in(file.readAll().toStdString());
    for (std::string text; std::getline(in, text);) {
        std::istringstream words(text);
        Line line;
        words >> line.name >> line.monotonic >> line.cpu;
        EXPECT_TRUE(words || words.eof()) << text;
        for (std::string word; words >> word;)
            line.details.push_back(word);
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> names(const std::vector<Line>& lines)
{
    std::vector<std::string> out;
    for (const Line& line : lines)
        out.push_back(line.name);
    return out;
}

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(trace::start(path.toStdString()));
    }
    void TearDown() override { trace::stop(); }

    QTemporaryDir dir;
    QString path = dir.filePath("trace");
    testing::FakeEvents events;
    MainWindow window{nullptr, &events};
};

TEST_F(TraceTest, AHandlerItsPausesAndTheMomentInputIsTakenAgainAreTimedOnBothClocks)
{
    events.during = [this](const std::string&) {
        window.platform().wait(0.05);
        window.platform().wait(0.02);
    };
    window.menuItem("JYUNBAN_3")->trigger();
    trace::stop();
    window.platform().wait(0.01);  // no longer written

    const std::vector<Line> lines = readTrace(path);
    ASSERT_EQ(names(lines), (std::vector<std::string>{"command", "wait", "wait", "idle"}));
    EXPECT_EQ(lines[0].details, std::vector<std::string>{"JYUNBAN_3"});
    ASSERT_EQ(lines[1].details.size(), 2u);
    ASSERT_EQ(lines[2].details.size(), 2u);
    EXPECT_EQ(lines[1].details[0], "0.050");
    EXPECT_EQ(lines[2].details[0], "0.020");
    // A pause's line holds its start and, after the length, its end.
    const long long firstEnd = std::stoll(lines[1].details[1]);
    const long long secondEnd = std::stoll(lines[2].details[1]);
    EXPECT_GE(firstEnd - lines[1].monotonic, 50'000'000);
    EXPECT_GE(secondEnd - lines[2].monotonic, 20'000'000);
    EXPECT_LE(lines[0].monotonic, lines[1].monotonic);
    EXPECT_LE(firstEnd, lines[2].monotonic);
    EXPECT_LE(secondEnd, lines[3].monotonic);
    for (size_t i = 1; i < lines.size(); ++i)
        EXPECT_LE(lines[i - 1].cpu, lines[i].cpu) << i;
}

TEST_F(TraceTest, AMessageBoxIsNotedWhileItIsOnTheScreen)
{
    // The box is answered once its line is there, or after a second.
    bool notedWhileShown = false;
    int tries = 0;
    std::function<void()> answer = [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box && box->isVisible()) {
                notedWhileShown = !readTrace(path).empty();
                if (notedWhileShown || ++tries == 100) {
                    box->button(QMessageBox::Ok)->click();
                    return;
                }
            }
        }
        QTimer::singleShot(10, answer);
    };
    QTimer::singleShot(0, answer);
    window.platform().messageBox("　　PASS", "白の手番", Buttons::OK, BoxIcon::None);

    EXPECT_TRUE(notedWhileShown);
    // (The first box shows the window, in its place, before it opens.)
    const std::vector<std::string> noted = names(readTrace(path));
    EXPECT_EQ(std::count(noted.begin(), noted.end(), "box"), 1);
    EXPECT_EQ(noted.back(), "box");
}

TEST_F(TraceTest, TheFirstPaintTellsWhereTheDrawingStartsOnTheScreen)
{
    window.move(40, 30);
    window.show();
    QCoreApplication::processEvents();
    QWidget* area = window.drawingArea();
    area->repaint();

    const std::vector<Line> lines = readTrace(path);
    ASSERT_EQ(names(lines), std::vector<std::string>{"paint"});
    const QPoint origin = area->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(lines[0].details,
              (std::vector<std::string>{std::to_string(origin.x()), std::to_string(origin.y())}));
}

}  // namespace
}  // namespace korvalo
