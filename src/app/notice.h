#pragma once
// Notices: what the program itself, not the game, tells the person (a replay
// that stopped, a record that can no longer be written). A notice waits for
// the person, also while a replay ignores the person's input otherwise.
#include <QString>

class QObject;
class QWidget;

namespace korvalo {

// Shows a warning box over parent and waits until the person closes it.
void showNotice(QWidget& parent, const QString& text);

// Whether the object is a notice or a part of one.
bool belongsToNotice(const QObject* object);

}  // namespace korvalo
