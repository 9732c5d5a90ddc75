#pragma once
// The game window's menu bar: every item with its name, caption and place.
#include <QHash>
#include <QString>
#include <vector>

class QAction;
class QMenuBar;

namespace korvalo {

struct MenuEntry {
    enum class Kind {
        Menu,     // opens a menu of the items under it
        Command,  // runs the handler of the same name
        Check,    // a command whose check mark is an option's state
    };
    const char* name;     // object name, and the handler's name without "_Click"
    const char* caption;  // as shown
    const char* under;    // name of the menu holding it; null for the menu bar
    Kind kind;
};

// The items in menu-bar order, each menu before the items under it.
const std::vector<MenuEntry>& gameMenu();

// Builds the items into bar. Returns every item's action by name; a menu is
// found by its menuAction(), and the QMenu itself carries the same name.
QHash<QString, QAction*> buildGameMenu(QMenuBar* bar);

}  // namespace korvalo
