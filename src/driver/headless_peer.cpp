#include "driver/headless_peer.h"

#include <QTimer>

#include "net/connection.h"

namespace korvalo {

bool HeadlessPeer::start(const SessionOptions& options, QString* error)
{
    Form1& form = session_.form();
    QString why;
    switch (options.role) {
    case SessionOptions::Role::None: return true;
    case SessionOptions::Role::Host:
        hosted_ = net::HostedGame::open(session_.path(), form, options.code, static_cast<quint16>(options.port),
                                        listener_, &why);
        if (!hosted_) {
            *error = QStringLiteral("cannot host on port %1: %2").arg(options.port).arg(why);
            return false;
        }
        // The router's answer goes to standard error: standard output is the
        // trace. A signal removes the mapping, then ends the program.
        if (options.portMapping)
            hosted_->askTheRouter(true);
        // While its computer chooses, the host keeps answering the
        // other windows (the timer wakes the loop to look at the search).
        form.computer().keepAnsweringWhileSearching([](const std::function<bool()>& done) {
            QTimer look;
            look.start(5);
            net::runUntil(done, headlessWaitLimit);
        });
        return true;
    case SessionOptions::Role::Join:
        join_ = std::make_unique<net::Join>(session_.path(), form.state());
        net::playHostsSquares(*join_, form);
        if (!join_->connectTo(QString::fromStdString(options.host), static_cast<quint16>(options.port),
                              options.code, options.seat, 20000, &why)) {
            *error = QStringLiteral("cannot join %1: %2").arg(QString::fromStdString(options.host), why);
            return false;
        }
        join_->waitUntil([this] { return join_->caughtUp(); }, headlessWaitLimit);
        return true;
    }
    return true;
}

void HeadlessPeer::stop()
{
    if (join_) {
        join_->leave();
        net::runUntil([] { return false; }, 50);  // lets the farewell go out
    }
    if (hosted_) {
        // A hosting peer ends once every joined window has left.
        net::runUntil([this] { return hosted_->host().players() == 1; }, headlessWaitLimit);
        hosted_->end();
        net::runUntil([] { return false; }, 50);
        hosted_->letTheRouterGo();
    }
}

}  // namespace korvalo
