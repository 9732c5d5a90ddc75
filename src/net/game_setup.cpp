#include "net/game_setup.h"

#include <QPointer>

#include "process/termination.h"
#include "script/join_link.h"

namespace korvalo::net {

std::unique_ptr<HostedGame> HostedGame::open(InputPath& path, Form1& form, const std::string& code, quint16 port,
                                             SessionListener& listener, QString* why, QString* forWindow)
{
    auto host = std::make_unique<Host>(path, form.state(), code);
    host->computerLevel = form.computer().level();
    if (!host->listen(port, why, forWindow))
        return nullptr;
    std::unique_ptr<HostedGame> game(new HostedGame(std::move(host), listener));
    Host& hosted = game->host();
    hosted.tell(&listener);
    listener.hosting({hosted.port(), hosted.code(), hosted.addresses(), hosted.codeBits(), hosted.weakCode()});
    return game;
}

HostedGame::HostedGame(std::unique_ptr<Host> host, SessionListener& listener)
    : host_(std::move(host)), listener_(listener)
{
}

HostedGame::~HostedGame() = default;

void HostedGame::askTheRouter(bool endOnSignal)
{
    mapping_ = std::make_unique<PortMapping>();
    mapping_->done = [this](const MappingResult& result) {
        RouterAnswer answer;
        answer.lines = describeMapping(result, host_->code());
        answer.mapped = result.outcome == MappingResult::Outcome::Mapped;
        if (answer.mapped)
            answer.link = joinLink(result.address, result.port, host_->code());
        answer.detail = result.detail;
        answer.milliseconds = result.milliseconds;
        listener_.routerAnswered(answer);
    };
    if (endOnSignal)
        removeOnTerminationSignal(*mapping_);
    else
        process::beforeEndBySignal(mapping_.get(), [mapping = mapping_.get()] { mapping->remove(); });
    mapping_->start(host_->port());
}

void HostedGame::letTheRouterGo()
{
    mapping_.reset();
}

void playHostsSquares(Join& join, Form1& form)
{
    join.computerSquare = [&form](int column, int row, std::size_t most) {
        if (form.computer().carriedCount() >= most)
            return false;
        form.computer().carry(column, row);
        return true;
    };
    form.computer().waitForCarriedSquares([joining = QPointer<Join>(&join), &form] {
        if (joining && joining->hostSearches())
            joining->waitUntil([&form] { return form.computer().carriedCount() > 0; }, 10 * 60 * 1000);
    });
}

}  // namespace korvalo::net
