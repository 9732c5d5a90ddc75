#include "app/keyboard_cursor.h"

#include <QKeyEvent>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "app/accessible_board.h"
#include "app/drawing_area.h"
#include "app/person_input.h"
#include "drawing/qt_surface.h"
#include "rules/game_state.h"

namespace korvalo {

KeyboardCursor::Action KeyboardCursor::key(int key, Qt::KeyboardModifiers modifiers, const QString& text)
{
    // Shift and the keypad are the same key; with Ctrl, Alt or Meta it is
    // another's (a menu's, the desktop's).
    if (modifiers & ~(Qt::ShiftModifier | Qt::KeypadModifier))
        return Action::None;
    switch (key) {
    case Qt::Key_Left: moveTo(column_ - 1, row_); break;
    case Qt::Key_Right: moveTo(column_ + 1, row_); break;
    case Qt::Key_Up: moveTo(column_, row_ - 1); break;
    case Qt::Key_Down: moveTo(column_, row_ + 1); break;
    case Qt::Key_Home: moveTo(1, 1); break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space: return Action::Play;
    default: {
        // A column letter moves to that column, a row digit to that row:
        // a letter then a digit names the square.
        const QChar c = text.size() == 1 ? text.front().toLower() : QChar();
        if (c >= QLatin1Char('a') && c <= QLatin1Char('i'))
            moveTo(c.unicode() - 'a' + 1, row_);
        else if (c >= QLatin1Char('1') && c <= QLatin1Char('9'))
            moveTo(column_, c.unicode() - '1' + 1);
        else
            return Action::None;
    }
    }
    // At an edge the key still belongs to the cursor, which stays.
    return Action::Moved;
}

void KeyboardCursor::moveTo(int column, int row)
{
    // The cursor stops at the edges.
    column_ = std::clamp(column, 1, 9);
    row_ = std::clamp(row, 1, 9);
}

QPointF KeyboardCursor::centreTwips(int column, int row)
{
    return {boardLeft + cellWidth * column + cellWidth / 2.0, boardTop + cellHeight * row + cellHeight / 2.0};
}

QRect KeyboardCursor::squarePixels(int column, int row)
{
    // Where the surface puts the square's picture.
    const int left = QtSurface::toPixels(boardLeft + cellWidth * column);
    const int top = QtSurface::toPixels(boardTop + cellHeight * row);
    return QRect(QPoint(left, top), QPoint(QtSurface::toPixels(boardLeft + cellWidth * (column + 1)) - 1,
                                            QtSurface::toPixels(boardTop + cellHeight * (row + 1)) - 1));
}

KeyboardPlay::KeyboardPlay(QWidget& window, DrawingArea& area, PersonInput& person, const GameState& state)
    : window_(window), area_(area), person_(person), board_(std::make_unique<AccessibleBoard>(area, state, cursor_))
{
    window_.installEventFilter(this);
    area_.installEventFilter(this);
    area_.overlay = [this](QPainter& painter) { paint(painter); };
    QAccessible::installActivationObserver(this);
}

KeyboardPlay::~KeyboardPlay()
{
    QAccessible::removeActivationObserver(this);
    area_.overlay = nullptr;
}

void KeyboardPlay::setAsked(bool asked)
{
    asked_ = asked;
    area_.update();
}

void KeyboardPlay::accessibilityActiveChanged(bool)
{
    // The cursor shows, or goes, with the assistive technology.
    area_.update();
}

bool KeyboardPlay::eventFilter(QObject* watched, QEvent* event)
{
    // Keys pressed on the drawing area come to the window after it.
    if (watched == &window_ && event->type() == QEvent::KeyPress && on())
        return key(*static_cast<QKeyEvent*>(event));
    if (watched == &area_ && event->type() == QEvent::FocusIn)
        board_->cursorMoved();
    return QObject::eventFilter(watched, event);
}

bool KeyboardPlay::key(const QKeyEvent& event)
{
    // F10 opens the first menu, as on the desktops; Alt alone shows the menu
    // bar by itself.
    if (event.key() == Qt::Key_F10 && event.modifiers() == Qt::NoModifier) {
        QMenuBar* bar = window_.findChild<QMenuBar*>();
        if (!bar || bar->actions().isEmpty())
            return false;
        bar->setActiveAction(bar->actions().front());
        return true;
    }
    switch (cursor_.key(event.key(), event.modifiers(), event.text())) {
    case KeyboardCursor::Action::None: return false;
    case KeyboardCursor::Action::Moved:
        area_.update();
        board_->cursorMoved();
        return true;
    case KeyboardCursor::Action::Play:
        // A key held down plays once.
        if (!event.isAutoRepeat())
            person_.clickAt(KeyboardCursor::centreTwips(cursor_.column(), cursor_.row()));
        return true;
    }
    return false;
}

void KeyboardPlay::paint(QPainter& painter)
{
    board_->refresh();
    if (!on())
        return;
    // A yellow frame between two black ones, at the square's edge: the black
    // shows on the board, on white and on the yellow, the yellow on black,
    // blue and red. The painter draws it at the screen's density.
    const QRectF square = KeyboardCursor::squarePixels(cursor_.column(), cursor_.row());
    auto ring = [&](qreal inset, qreal width, const QColor& colour) {
        QPainterPath path;
        path.setFillRule(Qt::OddEvenFill);
        const QRectF outer = square.adjusted(inset, inset, -inset + 1, -inset + 1);
        path.addRect(outer);
        path.addRect(outer.adjusted(width, width, -width, -width));
        painter.fillPath(path, colour);
    };
    ring(0, 4, Qt::black);
    ring(1, 2, QColor(255, 214, 0));
}

}  // namespace korvalo
