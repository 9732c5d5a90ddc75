#pragma once
// Notices: what the program itself, not the game, tells the person (a replay
// that stopped, a record that can no longer be written). A notice waits for
// the person, also while a replay ignores the person's input otherwise.
#include <QString>
#include <functional>

class QMessageBox;
class QObject;
class QWidget;

namespace korvalo {

// What a notice tells: trouble (the warning icon) or good news (the
// information icon).
enum class NoticeKind { Warning, Information };

// Shows a warning box over parent and waits until the person closes it.
void showNotice(QWidget& parent, const QString& text);
// The same, of the kind given, with what extend adds to the box (a button of
// its own) before it is shown.
void showNotice(QWidget& parent, const QString& text, const std::function<void(QMessageBox&)>& extend,
                NoticeKind kind = NoticeKind::Warning);

// Whether the object is a notice or a part of one.
bool belongsToNotice(const QObject* object);

}  // namespace korvalo
