#include "net/game_setup.h"

#include <QPointer>

namespace korvalo::net {

std::unique_ptr<Host> openGame(InputPath& path, Form1& form, const std::string& code, quint16 port, QString* why,
                               QString* forWindow)
{
    auto host = std::make_unique<Host>(path, form.state(), code);
    host->computerLevel = form.computer().computerLevel;
    if (!host->listen(port, why, forWindow))
        return nullptr;
    return host;
}

void playHostsSquares(Join& join, Form1& form)
{
    join.computerSquare = [&form](int column, int row, std::size_t most) {
        if (form.computer().carriedSquares.size() >= most)
            return false;
        form.computer().carriedSquares.emplace_back(column, row);
        return true;
    };
    form.computer().awaitCarriedSquare = [joining = QPointer<Join>(&join), &form] {
        if (joining && joining->hostSearches())
            joining->waitUntil([&form] { return !form.computer().carriedSquares.empty(); }, 10 * 60 * 1000);
    };
}

}  // namespace korvalo::net
