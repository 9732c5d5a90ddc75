// The host's guard against connections that are no fair window: strangers
// that do not greet, addresses that guess codes, and the log they cause.
#include <QTcpSocket>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "log/log.h"
#include "net/connection.h"
#include "net/host.h"
#include "net/host_limits.h"
#include "rules/legality.h"
#include "rules/turn_order.h"

namespace korvalo::net {

using namespace limits;

void Host::makeRoom(const std::string& address)
{
    auto waiting = [](const Peer& peer) { return peer.connection && !peer.greeted && peer.connection->isOpen(); };
    for (bool again = true; again;) {
        again = false;
        int fromThere = 0, all = 0;
        for (const auto& peer : peers_)
            if (waiting(*peer)) {
                fromThere += peer->address == address;
                ++all;
            }
        for (auto& peer : peers_)
            if (waiting(*peer) && (all > maxWaiting || (fromThere > maxWaitingPerAddress && peer->address == address))) {
                peer->connection->close(all > maxWaiting ? "too many connections waiting to greet"
                                                         : "too many connections waiting to greet from there");
                again = true;
                break;
            }
    }
}

void Host::closeLate()
{
    const auto now = Clock::now();
    for (std::size_t i = 0; i < peers_.size(); ++i) {
        Peer& peer = *peers_[i];
        if (peer.connection && !peer.greeted && peer.connection->isOpen() && now - peer.came > greetingTime)
            peer.connection->close("no greeting within " + std::to_string(greetingTime.count()) + " seconds");
    }
}

void Host::logRefusal(const std::string& address, const std::string& why)
{
    const auto now = Clock::now();
    if (refusals_.size() >= addressesKept)
        std::erase_if(refusals_, [&](const auto& entry) { return now - entry.second.said > std::chrono::seconds(1); });
    Refusals& refusals = refusals_[address];
    ++refusals.unsaid;
    if (now - refusals.said < std::chrono::seconds(1))
        return;
    refusals.said = now;
    korvalo::log::print("korvalo: %d greeting%s from %s refused, the last: %s\n", refusals.unsaid,
                 refusals.unsaid == 1 ? "" : "s", address.c_str(), printable(why).c_str());
    refusals.unsaid = 0;
}

void Host::forgetLater()
{
    if (std::exchange(forgetting_, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            forgetting_ = false;
            std::erase_if(peers_, [](const auto& peer) { return !peer->connection && peer->waiting == 0; });
        },
        Qt::QueuedConnection);
}

bool Host::blocked(Peer& peer)
{
    const auto now = Clock::now();
    auto found = guesses_.find(peer.address);
    if (found == guesses_.end() || now >= found->second.until)
        return false;
    const auto left = std::chrono::ceil<std::chrono::seconds>(found->second.until - now).count();
    peer.connection->send(message::RefusedWait{static_cast<int>(left)});
    peer.connection->close("too many wrong codes; waits " + std::to_string(left) + " s");
    return true;
}

void Host::guessedWrong(const std::string& address)
{
    const auto now = Clock::now();
    if (guesses_.size() >= addressesKept && !guesses_.count(address)) {
        auto oldest = guesses_.begin();
        for (auto it = guesses_.begin(); it != guesses_.end(); ++it)
            if (it->second.last < oldest->second.last)
                oldest = it;
        guesses_.erase(oldest);
    }
    Guesses& guesses = guesses_[address];
    if (now - guesses.last > guessesKept)
        guesses = Guesses{};
    guesses.last = now;
    if (++guesses.wrong < freeGuesses)
        return;
    guesses.penalty = guesses.penalty == 0 ? 1 : std::min(maxPenalty, guesses.penalty * 2);
    guesses.until = now + std::chrono::seconds(guesses.penalty);
}

bool Host::mayMove(const Peer& peer, const Input& input)
{
    const int c = state_.turnColour;
    if (input.kind != Input::Kind::Press || !peer.connection || peer.seat == 0 || peer.seat != c ||
        state_.playerKind[c] != humanValue)
        return false;
    const int column = static_cast<int>(std::floor((input.x - boardLeft) / cellWidth));
    const int row = static_cast<int>(std::floor((input.y - boardTop) / cellHeight));
    if (column < 1 || column > 9 || row < 1 || row > 9)
        return false;
    // The rules' scan writes its view of the board: it runs on a copy.
    scratch_.board = state_.board;
    scratch_.playerKind = state_.playerKind;
    return 置けるか(scratch_, column, row, c) == trueValue || 置き場所があるか(scratch_, c) == falseValue;
}

void Host::countTurn(Peer& peer)
{
    const std::array<int, 3> turn{state_.turnColour, state_.moveNumber, state_.lastMoveNumber};
    if (peer.turn != turn) {
        peer.turn = turn;
        peer.spent = 0;
    }
}

}  // namespace korvalo::net
