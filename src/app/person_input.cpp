#include "app/person_input.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "app/notice.h"
#include "drawing/qt_surface.h"
#include "input/input_path.h"

namespace korvalo {

namespace {

int keyAscii(const QKeyEvent& event)
{
    if (event.key() == Qt::Key_Escape)
        return 27;
    const QString text = event.text();
    return text.isEmpty() ? 0 : text.at(0).unicode();
}

Input keyInput(int code)
{
    Input input;
    input.kind = Input::Kind::Key;
    input.code = code;
    return input;
}

}  // namespace

PersonInput::PersonInput(InputPath& path) : path_(path)
{
    path_.holderChanged = [this] { follow(); };
}

PersonInput::~PersonInput()
{
    path_.holderChanged = nullptr;
    if (filtering_)
        qApp->removeEventFilter(this);
}

int PersonInput::buttonCode(Qt::MouseButton button)
{
    // Qt numbers the buttons as the game does: left 1, right 2, middle 4,
    // then back 8, forward 16 and every further button a bit of its own.
    return static_cast<int>(button);
}

int PersonInput::shiftCode(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

QPointF PersonInput::toTwips(QPointF pixels)
{
    return pixels * twipsPerPixel;
}

void PersonInput::mouse(const QMouseEvent& event, bool press)
{
    Input input;
    input.kind = press ? Input::Kind::Press : Input::Kind::Release;
    input.button = buttonCode(event.button());
    if (input.button == 0)
        return;
    input.shift = shiftCode(event.modifiers());
    const QPointF at = toTwips(event.position());
    input.x = at.x();
    input.y = at.y();
    path_.give(*this, input);
}

void PersonInput::clickAt(QPointF twips)
{
    Input input;
    input.button = 1;
    input.x = twips.x();
    input.y = twips.y();
    for (const Input::Kind kind : {Input::Kind::Press, Input::Kind::Release}) {
        input.kind = kind;
        path_.give(*this, input);
    }
}

bool PersonInput::key(const QKeyEvent& event)
{
    const int code = keyAscii(event);
    if (code == 0)
        return false;
    path_.give(*this, keyInput(code));
    return true;
}

void PersonInput::menu(const QString& item)
{
    Input input;
    input.kind = Input::Kind::Menu;
    input.item = item.toStdString();
    path_.give(*this, input);
}

void PersonInput::close()
{
    Input input;
    input.kind = Input::Kind::Close;
    path_.give(*this, input);
}

void PersonInput::follow()
{
    const bool ignore = path_.heldByAnother(*this);
    if (ignore == filtering_)
        return;
    filtering_ = ignore;
    if (ignore)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool PersonInput::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        if (belongsToNotice(watched))
            return false;
        // Esc leaves the program, also while a message box is shown: the key
        // goes to the game as from the window, after the running handler.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat())
            path_.give(*this, keyInput(27));
        return true;
    }
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        // A notice of the program's own is the person's to close.
        return !belongsToNotice(watched);
    default: return QObject::eventFilter(watched, event);
    }
}

}  // namespace korvalo
