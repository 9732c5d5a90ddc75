#pragma once
// The person at the window as a source of input: the mouse on the drawing
// area, keys, menu commands and the close button. While another source holds
// the game (a replay), the person's input is ignored, also on message boxes
// and menus, except Esc and closing the window, which leave the program, and
// the notices of the program's own, which are the person's to close.
#include <QObject>
#include <QPointF>
#include <QString>

#include "input/input_source.h"

class QKeyEvent;
class QMouseEvent;

namespace korvalo {

class InputPath;

class PersonInput : public QObject, public InputSource {
public:
    // The path must outlive the person's input.
    explicit PersonInput(InputPath& path);
    ~PersonInput() override;

    void mouse(const QMouseEvent& event, bool press);
    // A click of the left button at a point in twips, given as the mouse
    // gives one: its press, then its release (the keyboard's Enter).
    void clickAt(QPointF twips);
    // False for a key that is no character and not Esc: the window's own.
    bool key(const QKeyEvent& event);
    void menu(const QString& item);
    void close();

    // Event values as the game's handlers take them.
    static int buttonCode(Qt::MouseButton button);
    static int shiftCode(Qt::KeyboardModifiers modifiers);
    static QPointF toTwips(QPointF pixels);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Ignores the person's input while another source holds the game.
    void follow();

    InputPath& path_;
    bool filtering_ = false;
};

}  // namespace korvalo
