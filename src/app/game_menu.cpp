#include "app/game_menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace korvalo {

const std::vector<MenuEntry>& gameMenu()
{
    using K = MenuEntry::Kind;
    static const std::vector<MenuEntry> items = {
        {"TAIKYOKU", "対局", nullptr, K::Menu},
        {"TAIKYOKU_SYURUI", "対局", "TAIKYOKU", K::Menu},
        {"PLAY_1", "1_PLAY", "TAIKYOKU_SYURUI", K::Menu},
        {"JYUNBAN_1", "黒", "PLAY_1", K::Command},
        {"JYUNBAN_2", "青", "PLAY_1", K::Command},
        {"JYUNBAN_3", "白", "PLAY_1", K::Command},
        {"JYUNBAN_4", "赤", "PLAY_1", K::Command},
        {"PLAY_2", "2_PLAY", "TAIKYOKU_SYURUI", K::Menu},
        {"PLAY_TOIMEN", "黒　×　白", "PLAY_2", K::Command},
        {"PLAY_TONARI", "青　×　赤", "PLAY_2", K::Command},
        {"PLAY_4", "4_PLAY", "TAIKYOKU_SYURUI", K::Command},
        {"EXIT", "終了", "TAIKYOKU", K::Command},
        {"KYOKUMEN", "局面", nullptr, K::Menu},
        {"SAISYO", "最初", "KYOKUMEN", K::Command},
        {"MODORU", "戻", nullptr, K::Command},
        {"SUSUMU", "進", nullptr, K::Command},
        {"OPTION", "ｵﾌﾟｼｮﾝ", nullptr, K::Menu},
        {"TEJYUN", "手順番号表示", "OPTION", K::Check},
        {"AICON", "ｱｲｺﾝ表示", "OPTION", K::Check},
        {"BGM", "BGM", "OPTION", K::Check},
        {"SONOTA", "その他", nullptr, K::Command},
    };
    return items;
}

QHash<QString, QAction*> buildGameMenu(QMenuBar* bar)
{
    QHash<QString, QMenu*> menus;
    QHash<QString, QAction*> actions;
    for (const MenuEntry& item : gameMenu()) {
        const QString name = QString::fromLatin1(item.name);
        const QString caption = QString::fromUtf8(item.caption);
        QMenu* holder = item.under ? menus.value(QString::fromLatin1(item.under)) : nullptr;
        QAction* action = nullptr;
        if (item.kind == MenuEntry::Kind::Menu) {
            QMenu* menu = holder ? holder->addMenu(caption) : bar->addMenu(caption);
            menu->setObjectName(name);
            menus.insert(name, menu);
            action = menu->menuAction();
        } else {
            action = holder ? holder->addAction(caption) : bar->addAction(caption);
            action->setCheckable(item.kind == MenuEntry::Kind::Check);
        }
        action->setObjectName(name);
        actions.insert(name, action);
    }
    return actions;
}

}  // namespace korvalo
