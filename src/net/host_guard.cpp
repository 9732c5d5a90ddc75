// The host's guard against connections that are no fair window: strangers
// that do not greet, greetings beyond the rate of checks, and the log they
// cause.
#include <QTcpSocket>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "log/log.h"
#include "log/printable.h"
#include "net/connection.h"
#include "net/host.h"
#include "net/host_limits.h"
#include "net/join_code.h"
#include "rules/legality.h"
#include "rules/turn_order.h"

namespace korvalo::net {

using namespace limits;

void Host::makeRoom(const std::string& address)
{
    auto waiting = [](const Peer& peer) { return peer.connection && !peer.greeted && peer.connection->isOpen(); };
    const Peer* newcomer = peers_.back().get();
    for (;;) {
        std::map<std::string, int> from;
        int all = 0;
        for (const auto& peer : peers_)
            if (waiting(*peer)) {
                ++from[peer->address];
                ++all;
            }
        const bool here = from[address] > maxWaitingPerAddress;
        if (!here && all <= maxWaiting)
            return;
        // Of those the limit counts: the oldest that has sent nothing, but
        // for the newcomer; else, from the address with most waiting, the
        // newest greeting waiting for its check.
        Peer* out = nullptr;
        for (auto& peer : peers_)
            if (waiting(*peer) && (!here || peer->address == address) && !peer->hello && peer.get() != newcomer) {
                out = peer.get();
                break;
            }
        if (!out) {
            std::map<std::string, int> greeting;
            for (const auto& peer : peers_)
                if (waiting(*peer) && peer->hello && (!here || peer->address == address))
                    ++greeting[peer->address];
            const auto most = std::max_element(greeting.begin(), greeting.end(),
                                               [](const auto& a, const auto& b) { return a.second < b.second; });
            for (auto& peer : peers_)
                if (most != greeting.end() && waiting(*peer) && peer->hello && peer->address == most->first &&
                    (!out || peer->greetedAs > out->greetedAs))
                    out = peer.get();
        }
        if (!out)
            out = peers_.back().get();
        if (out->hello)
            out->connection->send(message::RefusedWait{1});
        out->connection->close(here ? "too many connections waiting to greet from there"
                                    : "too many connections waiting to greet");
    }
}

void Host::closeLate()
{
    const auto now = Clock::now();
    for (std::size_t i = 0; i < peers_.size(); ++i) {
        Peer& peer = *peers_[i];
        if (peer.connection && !peer.greeted && !peer.hello && peer.connection->isOpen() &&
            now - peer.came > greetingTime)
            peer.connection->close("no greeting within " + std::to_string(greetingTime.count()) + " seconds");
    }
}

void Host::checkGreetings()
{
    const auto now = Clock::now();
    checks_ = std::min<double>(maxChecksPerSecond,
                               checks_ + std::chrono::duration<double>(now - checksCounted_).count() * maxChecksPerSecond);
    checksCounted_ = now;
    for (;;) {
        // The greeting of the address whose turn came longest ago, the
        // oldest of that address's.
        Peer* next = nullptr;
        std::uint64_t turn = 0;
        for (auto& peer : peers_) {
            if (!peer->connection || !peer->connection->isOpen() || peer->greeted || !peer->hello)
                continue;
            const auto found = checkedIn_.find(peer->address);
            const std::uint64_t its = found == checkedIn_.end() ? 0 : found->second;
            if (!next || its < turn || (its == turn && peer->greetedAs < next->greetedAs)) {
                next = peer.get();
                turn = its;
            }
        }
        if (!next)
            return;
        if (checks_ < 1) {
            nextCheck_.start(static_cast<int>(std::ceil((1 - checks_) * 1000 / maxChecksPerSecond)));
            return;
        }
        checks_ -= 1;
        checkedIn_[next->address] = ++checkTurns_;
        const message::Hello hello = *std::exchange(next->hello, std::nullopt);
        check(*next, hello);
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
                 refusals.unsaid == 1 ? "" : "s", address.c_str(), log::printable(why).c_str());
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

double Host::codeBits() const
{
    return generated_ ? randomCodeBits() : estimatedCodeBits(code_);
}

std::size_t Host::queuedCost() const
{
    std::size_t all = 0;
    for (const std::size_t cost : queued_)
        all += cost;
    return all;
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
