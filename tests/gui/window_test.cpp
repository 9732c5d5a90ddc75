// The game window: its menu bar, and how mouse, keys, menu commands and
// closing reach the game's handlers, one at a time.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "app/main_window.h"
#include "fake_events.h"
#include "app/accessible_board.h"
#include "flow/form1.h"
#include "rules/game_state.h"

namespace korvalo {
namespace {

using testing::FakeEvents;
using Log = std::vector<std::string>;

std::string describe(const QList<QAction*>& actions)
{
    std::string out;
    for (QAction* action : actions) {
        if (!out.empty())
            out += ", ";
        out += action->objectName().toStdString() + " " + action->text().toStdString();
        if (action->isCheckable())
            out += " (check)";
        if (QMenu* menu = action->menu())
            out += " [" + describe(menu->actions()) + "]";
    }
    return out;
}

void press(QWidget* area, QPointF at, Qt::MouseButton button, Qt::KeyboardModifiers modifiers = {})
{
    QMouseEvent event(QEvent::MouseButtonPress, at, area->mapToGlobal(at), button, button, modifiers);
    QCoreApplication::sendEvent(area, &event);
}

void release(QWidget* area, QPointF at, Qt::MouseButton button, Qt::KeyboardModifiers modifiers = {})
{
    QMouseEvent event(QEvent::MouseButtonRelease, at, area->mapToGlobal(at), button, Qt::NoButton, modifiers);
    QCoreApplication::sendEvent(area, &event);
}

void key(QWidget* target, int qtKey, const QString& text, Qt::KeyboardModifiers modifiers = {})
{
    QKeyEvent event(QEvent::KeyPress, qtKey, modifiers, text);
    QCoreApplication::sendEvent(target, &event);
}

bool closeWindow(QWidget* window)
{
    QCloseEvent event;
    QCoreApplication::sendEvent(window, &event);
    return event.isAccepted();
}

class WindowTest : public ::testing::Test {
protected:
    FakeEvents events;
    MainWindow window{nullptr, &events};
    QWidget* area = window.drawingArea();
};

TEST_F(WindowTest, MenuBarHoldsTheGameMenuItemForItem)
{
    EXPECT_EQ(describe(window.menuBar()->actions()),
              "TAIKYOKU 対局 [TAIKYOKU_SYURUI 対局 [PLAY_1 1_PLAY [JYUNBAN_1 黒, JYUNBAN_2 青, JYUNBAN_3 白, "
              "JYUNBAN_4 赤], PLAY_2 2_PLAY [PLAY_TOIMEN 黒　×　白, PLAY_TONARI 青　×　赤], PLAY_4 4_PLAY], "
              "EXIT 終了], KYOKUMEN 局面 [SAISYO 最初], MODORU 戻, SUSUMU 進, "
              "OPTION ｵﾌﾟｼｮﾝ [TEJYUN 手順番号表示 (check), AICON ｱｲｺﾝ表示 (check), BGM BGM (check)], "
              "SONOTA その他");
}

TEST_F(WindowTest, EveryItemIsFoundByItsName)
{
    for (const char* name : {"TAIKYOKU", "TAIKYOKU_SYURUI", "PLAY_1", "JYUNBAN_1", "JYUNBAN_2", "JYUNBAN_3",
                             "JYUNBAN_4", "PLAY_2", "PLAY_TOIMEN", "PLAY_TONARI", "PLAY_4", "EXIT", "KYOKUMEN",
                             "SAISYO", "MODORU", "SUSUMU", "OPTION", "TEJYUN", "AICON", "BGM", "SONOTA"}) {
        QAction* item = window.menuItem(name);
        ASSERT_NE(item, nullptr) << name;
        EXPECT_EQ(window.findChild<QAction*>(name), item) << name;
    }
    EXPECT_NE(window.findChild<QMenu*>("PLAY_1"), nullptr);
    EXPECT_EQ(window.menuItem("NOTHING"), nullptr);
}

TEST_F(WindowTest, CommandsReachTheHandlerOfTheSameName)
{
    const char* commands[] = {"JYUNBAN_1", "JYUNBAN_2", "JYUNBAN_3", "JYUNBAN_4", "PLAY_TOIMEN",
                              "PLAY_TONARI", "PLAY_4", "EXIT", "SAISYO", "MODORU",
                              "SUSUMU", "TEJYUN", "AICON", "BGM", "SONOTA"};
    Log expected;
    for (const char* name : commands) {
        window.menuItem(name)->trigger();
        expected.push_back(std::string("command ") + name);
    }
    EXPECT_EQ(events.log, expected);
}

TEST_F(WindowTest, CheckMarkIsTheOptionsOnlyStateAndTheHandlerFlipsIt)
{
    window.platform().setChecked(CheckItem::BGM, true);
    EXPECT_TRUE(window.menuItem("BGM")->isChecked());
    EXPECT_TRUE(window.platform().isChecked(CheckItem::BGM));
    EXPECT_FALSE(window.platform().isChecked(CheckItem::TEJYUN));
    window.menuItem("TEJYUN")->setChecked(true);
    EXPECT_TRUE(window.platform().isChecked(CheckItem::TEJYUN));

    // Choosing the item hands the handler the mark as it was; the menu does
    // not flip it on its own.
    bool seen = false;
    events.during = [&](const std::string&) { seen = window.platform().isChecked(CheckItem::AICON); };
    window.menuItem("AICON")->trigger();
    EXPECT_FALSE(seen);
    EXPECT_FALSE(window.platform().isChecked(CheckItem::AICON));
    window.platform().setChecked(CheckItem::AICON, true);
    window.menuItem("AICON")->trigger();
    EXPECT_TRUE(window.platform().isChecked(CheckItem::AICON));
}

TEST_F(WindowTest, MousePressesAndReleasesArriveInTwipsWithButtonAndShiftCodes)
{
    press(area, QPointF(100, 50), Qt::LeftButton);
    release(area, QPointF(100, 50), Qt::LeftButton);
    press(area, QPointF(69, 49), Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier);
    release(area, QPointF(0, 0), Qt::MiddleButton, Qt::AltModifier);
    press(area, QPointF(1, 2), Qt::BackButton);
    release(area, QPointF(1, 2), Qt::BackButton);
    press(area, QPointF(3, 4), Qt::ForwardButton);
    release(area, QPointF(3, 4), Qt::ExtraButton5);
    EXPECT_EQ(events.log, (Log{"down 1 0 1500 750", "up 1 0 1500 750", "down 2 3 1035 735", "up 4 4 0 0",
                               "down 8 0 15 30", "up 8 0 15 30", "down 16 0 45 60", "up 128 0 45 60"}));
}

TEST_F(WindowTest, WithKeyboardPlayTheCursorKeysMoveAndEnterOrSpaceClicksItsSquare)
{
    // Without keyboard play the keys reach the game as they always did.
    key(area, Qt::Key_Return, "\r");
    key(area, Qt::Key_Left, "");
    EXPECT_EQ(events.log, (Log{"key 13"}));
    events.log.clear();

    window.keyboard().setAsked(true);
    const KeyboardCursor& cursor = window.keyboard().cursor();
    for (int i = 0; i < 12; ++i)
        key(area, Qt::Key_Left, "");
    key(area, Qt::Key_Up, "", Qt::KeypadModifier);
    EXPECT_EQ(std::make_pair(cursor.column(), cursor.row()), std::make_pair(1, 4));  // stopped at the edge
    key(area, Qt::Key_G, "G", Qt::ShiftModifier);
    key(area, Qt::Key_3, "3");
    key(area, Qt::Key_Return, "\r");
    key(area, Qt::Key_Home, "");
    key(area, Qt::Key_Space, " ");
    key(area, Qt::Key_B, "b", Qt::ControlModifier);  // not the cursor's
    key(area, Qt::Key_Escape, "\x1b");
    // The centres of g3 and a1, in twips, as a click there gives them.
    EXPECT_EQ(events.log, (Log{"down 1 0 5125 2305", "up 1 0 5125 2305", "down 1 0 1345 1045", "up 1 0 1345 1045",
                               "key 98", "key 27"}));
}

TEST_F(WindowTest, TheBoardReadsAsATableOfNamedSquaresWithTheLastMoveAndTheTurn)
{
    GameState& s = window.form().state();
    placeStartingPosition(s);
    s.board[5][3] = black;
    s.moveNumber = 1;
    s.moveColumn[1] = 5;
    s.moveRow[1] = 3;
    s.turnColour = blue;
    window.keyboard().board().refresh();

    QAccessibleInterface* board = QAccessible::queryAccessibleInterface(area);
    ASSERT_NE(board, nullptr);
    ASSERT_EQ(board->childCount(), 2);
    QAccessibleInterface* table = board->child(0);
    ASSERT_NE(table->tableInterface(), nullptr);
    EXPECT_EQ(table->tableInterface()->rowCount(), 9);
    EXPECT_EQ(table->text(QAccessible::Description), "黒 が e3 に打ちました。青 の番です");
    EXPECT_EQ(board->child(1)->text(QAccessible::Name), "青 の番です");
    const std::string text = boardText(s.board);
    const char* const names[] = {"空", "黒", "青", "白", "赤"};
    for (int row = 1; row <= 9; ++row)
        for (int column = 1; column <= 9; ++column) {
            QAccessibleInterface* cell = table->tableInterface()->cellAt(row - 1, column - 1);
            const char shown = text[(row - 1) * 10 + column - 1];
            const QString expected = QString("%1%2 %3").arg(QChar('a' + column - 1)).arg(row).arg(
                names[shown == '.' ? 0 : shown - '0']);
            EXPECT_EQ(cell->text(QAccessible::Name), expected);
            EXPECT_EQ(table->indexOfChild(cell), (row - 1) * 9 + column - 1);
            EXPECT_EQ(cell->tableCellInterface()->table(), table);
        }
}

TEST(WindowGame, ASideButtonPlaysAMoveAsTheLeftButtonDoes)
{
    // The game in a folder of its own, silent, four persons; every message
    // box is answered with its default button.
    QTemporaryDir folder;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
                box->defaultButton()->click();
    });
    answer.start(10);
    {
        MainWindow window(nullptr);
        window.load();
        window.menuItem("PLAY_4")->trigger();
        QWidget* area = window.drawingArea();
        // d3, the centre of column 4, row 3.
        const QPointF d3((400 + 630 * 4 + 315) / 15.0, (100 + 630 * 3 + 315) / 15.0);
        press(area, d3, Qt::BackButton);
        release(area, d3, Qt::BackButton);
        EXPECT_EQ(window.form().state().moveNumber, 1);
        EXPECT_EQ(window.form().state().board[4][3], 1);  // black
        EXPECT_EQ(window.form().state().turnColour, 2);   // blue to move
    }
    QDir::setCurrent(before);
}

TEST_F(WindowTest, KeysArriveAsCharacterCodes)
{
    key(area, Qt::Key_Escape, QStringLiteral("\x1b"));
    key(area, Qt::Key_A, QStringLiteral("a"));
    key(area, Qt::Key_Shift, QString(), Qt::ShiftModifier);  // no character: nothing
    key(&window, Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_EQ(events.log, (Log{"key 27", "key 97", "key 13"}));
}

TEST_F(WindowTest, EventsDuringAHandlerRunAfterItInOrderAndACloseOnlyOnce)
{
    events.during = [&](const std::string&) {
        press(area, QPointF(30, 30), Qt::LeftButton);
        key(area, Qt::Key_Escape, QStringLiteral("\x1b"));
        window.menuItem("SUSUMU")->trigger();
        EXPECT_FALSE(closeWindow(&window));
        EXPECT_FALSE(closeWindow(&window));
    };
    press(area, QPointF(10, 10), Qt::LeftButton);
    EXPECT_EQ(events.log, (Log{"begin down 1 0 150 150", "down 1 0 150 150", "down 1 0 450 450", "key 27",
                               "command SUSUMU", "unload"}));
}

TEST_F(WindowTest, AfterTheProgramEndsNoEventIsHandled)
{
    window.show();
    events.during = [&](const std::string&) { window.platform().endProgram(); };
    EXPECT_FALSE(closeWindow(&window));
    EXPECT_TRUE(window.ended());
    EXPECT_FALSE(window.isVisible());

    press(area, QPointF(10, 10), Qt::LeftButton);
    key(area, Qt::Key_Escape, QStringLiteral("\x1b"));
    window.menuItem("EXIT")->trigger();
    EXPECT_TRUE(closeWindow(&window));  // the window may go; Form_Unload does not run again
    EXPECT_EQ(events.log, (Log{"begin unload", "unload"}));
}

TEST_F(WindowTest, EndingInsideAHandlerDropsWhatWaitedForIt)
{
    events.during = [&](const std::string&) {
        press(area, QPointF(30, 30), Qt::LeftButton);
        closeWindow(&window);
        window.platform().endProgram();
    };
    key(area, Qt::Key_Escape, QStringLiteral("\x1b"));
    EXPECT_EQ(events.log, (Log{"begin key 27", "key 27"}));
}

TEST_F(WindowTest, EventsPostedDuringAWaitRunAfterTheHandler)
{
    events.during = [&](const std::string&) {
        QCoreApplication::postEvent(area, new QMouseEvent(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2),
                                                          Qt::LeftButton, Qt::LeftButton, {}));
        QCoreApplication::postEvent(&window, new QCloseEvent);
        window.platform().wait(0.05);
        events.log.push_back("waited");
    };
    press(area, QPointF(1, 1), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(events.log, (Log{"begin down 1 0 15 15", "waited", "down 1 0 15 15", "down 1 0 30 30", "unload"}));
}

TEST_F(WindowTest, WindowHasItsCaptionIconAndGreenBackground)
{
    EXPECT_EQ(window.windowTitle(), "Korvalo");
    EXPECT_FALSE(window.windowIcon().pixmap(32, 32).isNull());
    EXPECT_EQ(window.surface().image().pixel(0, 0) | 0xff000000u, qRgb(0, 128, 0));
}

TEST_F(WindowTest, PlacementGivesTheOuterSizeAndRoomForEverythingDrawn)
{
    window.platform().placeWindow(-60, -60, 9800, 8000);
    EXPECT_EQ(window.pos(), QPoint(-4, -4));
    // Without a frame (not yet on the screen) the outer size is the window's.
    EXPECT_EQ(window.size(), QSize(653, 533));
    window.show();
    QCoreApplication::processEvents();
    // The turn line ends at 9215 twips, the bottom seat icon at 6300 twips + 32 pixels.
    EXPECT_GE(area->width(), 9215 / 15 + 1);
    EXPECT_GE(area->height(), 6300 / 15 + 32 + 1);
}

// Counts the paint events of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

TEST_F(WindowTest, RefreshRepaintsBeforeReturningAndWaitsKeepRepainting)
{
    window.show();
    QCoreApplication::processEvents();
    PaintCounter counter;
    area->installEventFilter(&counter);
    window.platform().fillRect(0, 0, 600, 600, 255);
    EXPECT_EQ(counter.paints, 0);  // drawing alone waits for the next repaint
    window.platform().refresh();
    EXPECT_EQ(counter.paints, 1);

    window.platform().copyPicture(Picture::MASU, 0, 1030, 730);
    window.platform().wait(0.05);
    EXPECT_EQ(counter.paints, 2);
}

// Answers the message box that the window opens with the given button, after
// letting inspect look at it.
Answer answerBox(MainWindow& window, const std::string& text, const std::string& title, Buttons buttons,
                 BoxIcon icon, QMessageBox::StandardButton press, const std::function<void(QMessageBox&)>& inspect)
{
    bool found = false;
    std::function<void()> look = [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box && box->isVisible()) {
                found = true;
                inspect(*box);
                box->button(press)->click();
                return;
            }
        }
        QTimer::singleShot(10, look);
    };
    QTimer::singleShot(0, look);
    const Answer answer = window.platform().messageBox(text, title, buttons, icon);
    EXPECT_TRUE(found);
    return answer;
}

TEST_F(WindowTest, MessageBoxesShowTheirExactTextTitleButtonsAndIcon)
{
    EXPECT_EQ(answerBox(window, "下の番です", "", Buttons::OK, BoxIcon::None, QMessageBox::Ok,
                        [](QMessageBox& box) {
                            EXPECT_EQ(box.text(), "下の番です");
                            EXPECT_EQ(box.windowTitle(), "");
                            EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
                            EXPECT_EQ(box.standardButtons(), QMessageBox::Ok);
                        }),
              Answer::OK);
    EXPECT_EQ(answerBox(window, "右の番です", " ", Buttons::OK, BoxIcon::None, QMessageBox::Ok,
                        [](QMessageBox& box) { EXPECT_EQ(box.windowTitle(), " "); }),
              Answer::OK);
    EXPECT_EQ(answerBox(window, "一\r二\r\r三", "　　黒の手番", Buttons::YesNo, BoxIcon::Exclamation,
                        QMessageBox::No,
                        [](QMessageBox& box) {
                            EXPECT_EQ(box.text(), "一\n二\n\n三");
                            EXPECT_EQ(box.windowTitle(), "　　黒の手番");
                            EXPECT_EQ(box.icon(), QMessageBox::Warning);
                            EXPECT_EQ(box.standardButtons(), QMessageBox::Yes | QMessageBox::No);
                            EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::Yes));
                        }),
              Answer::No);
    EXPECT_EQ(answerBox(window, "?", "", Buttons::YesNo, BoxIcon::None, QMessageBox::Yes, [](QMessageBox&) {}),
              Answer::Yes);
    EXPECT_TRUE(events.log.empty());
}

}  // namespace
}  // namespace korvalo
