#include "net/host.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "log/printable.h"
#include "net/connection.h"
#include "net/forwarding.h"
#include "net/host_limits.h"
#include "net/protocol.h"
#include "net/reasons.h"
#include "rules/seat_dealing.h"
#include "script/script_language.h"

namespace korvalo::net {

using namespace limits;

namespace {

// Windows beyond the host's; the ones beyond the person colours watch.
constexpr std::size_t maxJoined = 7;

}  // namespace

Host::Host(InputPath& path, const GameState& state, std::string code)
    : path_(path), state_(state), code_(code.empty() ? randomCode() : code), generated_(code.empty())
{
    connect(&server_, &QTcpServer::newConnection, this, &Host::accept);
    connect(&late_, &QTimer::timeout, this, &Host::closeLate);
    late_.start(250);
    nextCheck_.setSingleShot(true);
    connect(&nextCheck_, &QTimer::timeout, this, &Host::checkGreetings);
    lastKinds_ = state_.playerKind;
    path_.follow(this);
}

Host::~Host()
{
    path_.follow(nullptr);
    for (auto& peer : peers_)
        if (peer->connection)
            peer->connection->onClosed = nullptr;
}

bool Host::listen(quint16 port, QString* error, QString* forWindow)
{
    if (server_.listen(QHostAddress::Any, port))
        return true;
    *error = server_.errorString();
    if (forWindow)
        *forWindow = socketErrorForWindow(server_.serverError());
    return false;
}

quint16 Host::port() const
{
    return server_.serverPort();
}

QStringList Host::addresses() const
{
    QStringList out;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.isLoopback() || address.isLinkLocal())
            continue;
        const QString text = address.protocol() == QAbstractSocket::IPv6Protocol
                                 ? QStringLiteral("[%1]").arg(address.toString())
                                 : address.toString();
        out << QStringLiteral("%1:%2").arg(text).arg(port());
    }
    if (out.isEmpty())
        out << QStringLiteral("127.0.0.1:%1").arg(port());
    return out;
}

int Host::players() const
{
    int n = 1;
    for (const auto& peer : peers_)
        n += peer->connection && peer->greeted;
    return n;
}

void Host::accept()
{
    while (QTcpSocket* socket = server_.nextPendingConnection())
        acceptConnection(new Connection(socket));
}

void Host::acceptConnection(Connection* connection)
{
    auto peer = std::make_unique<Peer>();
    Peer* joined = peer.get();
    joined->came = Clock::now();
    joined->address = addressKey(connection->peerAddress());
    connection->setParent(this);
    joined->connection = connection;
    // Until it greets, its refusals are logged by address, a line a second.
    joined->connection->setQuiet(true);
    joined->connection->setLimit(greetingLimit);
    joined->connection->onLine = [this, joined](const std::string& line) { hear(*joined, line); };
    joined->connection->onClosed = [this, joined](const std::string& why) { leave(*joined, why); };
    peers_.push_back(std::move(peer));
    makeRoom(joined->address);
}

void Host::hear(Peer& peer, const std::string& line)
{
    const std::optional<Message> message = parseMessage(line);
    if (!peer.greeted) {
        // A window says nothing more until it is welcomed.
        greet(peer, message && !peer.hello ? std::get_if<message::Hello>(&*message) : nullptr);
        return;
    }
    // A joined window says only these.
    if (message && std::holds_alternative<message::Bye>(*message)) {
        peer.connection->close("the window left the game");
        return;
    }
    const auto* move = message ? std::get_if<message::Move>(&*message) : nullptr;
    if (!move) {
        peer.connection->close("not a line of the game's protocol: " + log::printable(line, 60));
        return;
    }
    path_.give(peer, move->input);
}

void Host::greet(Peer& peer, const message::Hello* hello)
{
    if (!hello) {
        peer.connection->send(message::Refused{refusal::notAWindow});
        peer.connection->close(refusal::notAWindow);
        return;
    }
    peer.hello = *hello;
    peer.greetedAs = ++greetings_;
    // An address new to the round takes its turn after those already in it.
    if (checkedIn_.size() >= addressesKept)
        checkedIn_.clear();
    checkedIn_.try_emplace(peer.address, checkTurns_);
    checkGreetings();
}

void Host::check(Peer& peer, const message::Hello& hello)
{
    auto refuse = [&](const std::string& why) {
        peer.connection->send(message::Refused{why});
        peer.connection->close(why);
    };
    // The code first: a stranger learns nothing of this host, its version
    // included, before it gives the code.
    if (hello.code != code_)
        return refuse(refusal::wrongCode);
    if (hello.protocol != std::to_string(protocolVersion) || hello.version != KORVALO_VERSION)
        return refuse(refusal::otherVersion + std::string(KORVALO_VERSION));
    const std::optional<int> asked = colourOf(hello.seat);
    if (!asked)
        return refuse(refusal::noSuchColour + log::printable(hello.seat, 60));
    // Eight windows at most, the host's included.
    if (static_cast<std::size_t>(players()) > maxJoined)
        return refuse(refusal::full);
    if (historyTooLong_)
        return refuse(refusal::runTooLong);
    peer.greeted = true;
    peer.connection->setQuiet(false);
    peer.connection->setLimit(maxPending);
    peer.asked = *asked;
    peer.watching = hello.seat == "watch";
    peer.connection->send(message::Welcome{});
    if (choosesApart(computerLevel))
        peer.connection->send(message::ComputerOf{true, computerLevel});
    for (const std::string& line : history_)
        peer.connection->send(line);
    peer.connection->send(message::CaughtUp{});
    deal();
    broadcast(message::Players{players()});
    if (listener_)
        listener_->playersChanged();
}

void Host::leave(Peer& peer, const std::string& why)
{
    Connection* connection = std::exchange(peer.connection, nullptr);
    if (connection)
        connection->deleteLater();
    forgetLater();
    if (!peer.greeted) {
        logRefusal(peer.address, why);
        return;
    }
    const int seat = std::exchange(peer.seat, 0);
    if (seat != 0) {
        broadcast(message::Left{seat});
        if (listener_)
            listener_->peerLeft(seat);
    }
    deal();
    broadcast(message::Players{players()});
    if (listener_)
        listener_->playersChanged();
}

void Host::deal()
{
    lastKinds_ = state_.playerKind;
    std::vector<Peer*> greeted;
    std::vector<SeatWish> wishes;
    for (const auto& peer : peers_)
        if (peer->connection && peer->greeted) {
            greeted.push_back(peer.get());
            wishes.push_back({peer->watching, peer->seat, peer->asked});
        }
    const Seats seats = dealSeats(state_.playerKind, wishes);
    hostSeat_ = seats.host;
    for (std::size_t i = 0; i < greeted.size(); ++i)
        greeted[i]->seat = seats.joined[i];
    for (const auto& peer : peers_)
        if (peer->connection && peer->greeted)
            peer->connection->send(message::Seat{peer->seat});
    if (listener_)
        listener_->playersChanged();
}

void Host::remember(const std::string& line)
{
    // Called before the line's input runs: the state is that of every input
    // before it. In the no-game state with nothing recorded, nothing of the
    // earlier games can show any more: the next game starts from a seating,
    // which says anew who plays each colour.
    if (state_.turnColour == noneValue && state_.moveNumber == 0 && state_.lastMoveNumber == 0) {
        history_.clear();
        historyCost_ = 0;
        historyTooLong_ = false;
    }
    if (historyTooLong_)
        return;
    // Counted as the joining window counts what it takes (the computer's
    // level, sent first when its squares are sent, included).
    historyCost_ += line.size() + lineCost;
    if (historyCost_ +
            (choosesApart(computerLevel) ? writeMessage(message::ComputerOf{true, computerLevel}).size() + lineCost : 0) >
        maxCatchUp) {
        historyTooLong_ = true;
        std::vector<std::string>().swap(history_);
        return;
    }
    history_.push_back(line);
}

void Host::broadcast(const Message& message)
{
    broadcast(writeMessage(message));
}

void Host::broadcast(const std::string& line)
{
    for (auto& peer : peers_)
        if (peer->connection && peer->greeted)
            peer->connection->send(line);
}

bool Host::isRemote(const InputSource& from) const
{
    for (const auto& peer : peers_)
        if (peer.get() == &from)
            return true;
    return false;
}

int Host::seatOf(const InputSource& from) const
{
    for (const auto& peer : peers_)
        if (peer.get() == &from)
            return peer->connection ? peer->seat : 0;
    return hostSeat_;
}

bool Host::take(InputSource& from, const Input& input)
{
    if (isRemote(from)) {
        // Beyond its turn's share an input that cannot be a move is dropped,
        // neither queued nor kept nor sent (a move, and the release of its
        // press, always goes in); beyond the gate's budget of the colour it
        // plays, which its earlier windows' inputs still waiting count
        // against, the window is let go.
        Peer& peer = static_cast<Peer&>(from);
        countTurn(peer);
        if (!peer.connection)
            return false;
        const bool move = input.kind == Input::Kind::Release ? std::exchange(peer.pressMayMove, false)
                                                              : mayMove(peer, input);
        if (input.kind == Input::Kind::Press)
            peer.pressMayMove = move;
        if (!move && peer.spent >= maxInputsPerTurn) {
            if (peer.spent++ == maxInputsPerTurn)
                peer.connection->log("its inputs beyond " + std::to_string(maxInputsPerTurn) +
                                     " in this turn that cannot be a move are dropped");
            return false;
        }
        // Its inputs waiting are counted for the colour it plays now.
        const int colour = peer.seat;
        queued_[peer.chargedTo] -= peer.waiting;
        queued_[colour] += peer.waiting;
        peer.chargedTo = colour;
        const std::size_t cost = costOf(input);
        if (queued_[colour] + cost > gateBudget || queuedCost() + cost > totalGateBudget) {
            peer.connection->close("more inputs waiting for " +
                                   (colour != 0 ? colourWord(colour) : std::string("the windows that watch")) +
                                   " than a whole game has");
            return false;
        }
        peer.waiting += cost;
        queued_[colour] += cost;
        return true;
    }
    if (!input.onBoard())
        return true;
    // The release of a press that went in goes in too, whoever is to move now.
    if (input.kind == Input::Kind::Release)
        return localPressed_;
    // A colour played at another window is not the host's to move.
    const int turn = state_.turnColour;
    for (const auto& peer : peers_)
        if (peer->connection && peer->seat != 0 && peer->seat == turn)
            return false;
    return true;
}

bool Host::admit(InputSource& from, const Input& input)
{
    if (state_.playerKind != lastKinds_)
        deal();
    if (isRemote(from)) {
        Peer& peer = static_cast<Peer&>(from);
        peer.waiting -= costOf(input);
        queued_[peer.chargedTo] -= costOf(input);
        if (!peer.connection)
            forgetLater();
        countTurn(peer);
        const int seat = seatOf(from);
        const int turn = state_.turnColour;
        const bool releasing = input.kind == Input::Kind::Release && std::exchange(peer.pressed, false);
        const bool move = releasing ? std::exchange(peer.pressedMove, false) : mayMove(peer, input);
        if (!move && peer.spent++ >= maxInputsPerTurn)
            return false;
        if (!releasing && (seat == 0 || turn != seat || state_.playerKind[seat] != humanValue)) {
            if (peer.connection)
                peer.connection->log("a move of " + colourWord(seat) + " is refused: it is not its turn");
            return false;
        }
        peer.pressed = input.kind == Input::Kind::Press;
        peer.pressedMove = peer.pressed && move;
        const std::string line = writeMessage(message::InputOf{colourWord(seat), input});
        remember(line);
        broadcast(line);
        return true;
    }
    if (!take(from, input))
        return false;
    if (input.kind == Input::Kind::Press || input.kind == Input::Kind::Release)
        localPressed_ = input.kind == Input::Kind::Press;
    if (isWindowsOwn(input) || input.leaves())
        return true;
    const std::string line = writeMessage(message::InputOf{"host", input});
    remember(line);
    broadcast(line);
    if (input.kind == Input::Kind::Menu)
        QTimer::singleShot(0, this, [this] {
            if (state_.playerKind != lastKinds_)
                deal();
        });
    return true;
}

void Host::computerChose(int column, int row)
{
    const std::string line = writeMessage(message::ComputerOf{false, strongestLevel, column, row});
    remember(line);
    broadcast(line);
}

void Host::answered(Buttons buttons, Answer answer)
{
    if (buttons != Buttons::YesNo)
        return;
    // A No ends the host's program; the other windows keep the question open
    // for their own persons (end() tells them).
    answeredNo_ = answer == Answer::No;
    if (answeredNo_)
        return;
    const std::string line = writeMessage(message::AnswerOf{answer});
    remember(line);
    broadcast(line);
}

void Host::end()
{
    broadcast(writeMessage(message::End{answeredNo_}));
    for (auto& peer : peers_)
        if (peer->connection)
            peer->connection->flush();
}

}  // namespace korvalo::net
