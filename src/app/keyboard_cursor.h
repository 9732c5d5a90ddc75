#pragma once
// Playing the board with the keys: a cursor square that the arrow keys, a
// column letter (a-i) and a row digit (1-9), and Home move, and Enter or
// Space, which is a click of the left button at the centre of its square;
// F10 opens the menus.
// Keyboard play is on when the window was asked for it (--keyboard) or while
// an assistive technology is active; otherwise the keys reach the game as
// they always did, and only Esc does anything there.
#include <QAccessible>
#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <memory>

class QKeyEvent;
class QPainter;

namespace korvalo {

class AccessibleBoard;
class DrawingArea;
class PersonInput;
struct GameState;

// The cursor square alone: columns and rows 1 to 9, a1 the top-left square.
class KeyboardCursor {
public:
    enum class Action { None, Moved, Play };

    // What a key does: moves the cursor, plays its square, or nothing (the
    // key is not the cursor's).
    Action key(int key, Qt::KeyboardModifiers modifiers, const QString& text);

    int column() const { return column_; }
    int row() const { return row_; }
    void moveTo(int column, int row);

    // The centre of a square in twips from the drawing area's corner, where
    // a click lands on it, and the square in the drawing area's pixels.
    static QPointF centreTwips(int column, int row);
    static QRect squarePixels(int column, int row);

private:
    int column_ = 5;
    int row_ = 5;
};

class KeyboardPlay : public QObject, private QAccessible::ActivationObserver {
public:
    // Watches the keys of window, draws the cursor over area and gives its
    // clicks to person; all must outlive the keyboard play.
    KeyboardPlay(QWidget& window, DrawingArea& area, PersonInput& person, const GameState& state);
    ~KeyboardPlay() override;

    // Asked for on the command line (--keyboard).
    void setAsked(bool asked);
    bool on() const { return asked_ || QAccessible::isActive(); }
    const KeyboardCursor& cursor() const { return cursor_; }
    AccessibleBoard& board() { return *board_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void accessibilityActiveChanged(bool active) override;
    void paint(QPainter& painter);
    bool key(const QKeyEvent& event);

    QWidget& window_;
    DrawingArea& area_;
    PersonInput& person_;
    KeyboardCursor cursor_;
    std::unique_ptr<AccessibleBoard> board_;
    bool asked_ = false;
};

}  // namespace korvalo
