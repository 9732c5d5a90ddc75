#include "net/host.h"

#include <QNetworkInterface>
#include <QTcpSocket>
#include <QTimer>
#include <cstdio>

#include "net/connection.h"
#include "net/protocol.h"
#include "script/script_language.h"

namespace korvalo::net {

namespace {

// Windows beyond the host's; the ones beyond the person colours watch.
constexpr std::size_t maxJoined = 7;

}  // namespace

Host::Host(InputPath& path, const GameState& state, std::string code)
    : path_(path), state_(state), code_(std::move(code))
{
    connect(&server_, &QTcpServer::newConnection, this, &Host::accept);
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

bool Host::listen(quint16 port, QString* error)
{
    if (server_.listen(QHostAddress::Any, port))
        return true;
    *error = server_.errorString();
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
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        auto peer = std::make_unique<Peer>();
        Peer* joined = peer.get();
        joined->connection = new Connection(socket, this);
        joined->connection->onLine = [this, joined](const std::string& line) { hear(*joined, line); };
        joined->connection->onClosed = [this, joined](const std::string& why) { leave(*joined, why); };
        peers_.push_back(std::move(peer));
    }
}

void Host::hear(Peer& peer, const std::string& line)
{
    const std::vector<std::string> words = splitLine(line, 2);
    if (!peer.greeted) {
        greet(peer, splitLine(line, 7));
        return;
    }
    if (words[0] == "bye" && words.size() == 1) {
        peer.connection->close("the window left the game");
        return;
    }
    ScriptCommand command;
    std::string error;
    if (words[0] != "move" || words.size() != 2 || !parseScriptLine(words[1], &command, &error) ||
        command.kind != ScriptCommand::Kind::Input || !command.input.onBoard() ||
        command.input.kind == Input::Kind::Click) {
        peer.connection->close("not a line of the game's protocol: " + line.substr(0, 60));
        return;
    }
    path_.give(peer, command.input);
}

void Host::greet(Peer& peer, const std::vector<std::string>& words)
{
    auto refuse = [&](const std::string& why) {
        peer.connection->send("refused " + why);
        peer.connection->close(why);
    };
    if (words.size() != 6 || words[0] != "hello" || words[1] != "korvalo")
        return refuse("not a Korvalo window");
    if (words[2] != std::to_string(protocolVersion) || words[3] != KORVALO_VERSION)
        return refuse(std::string("a different version: the host runs Korvalo ") + KORVALO_VERSION);
    if (words[4] != code_)
        return refuse("a wrong code");
    const std::optional<int> asked = colourOf(words[5]);
    if (!asked)
        return refuse("no such colour: " + words[5]);
    if (static_cast<std::size_t>(players()) > maxJoined)
        return refuse("the game is full");
    if (historyTooLong_)
        return refuse("this game has run too long to catch up with; join when a new game starts");
    peer.greeted = true;
    peer.asked = *asked;
    peer.connection->send("welcome");
    if (searches)
        peer.connection->send("input host computer strong");
    for (const std::string& line : history_)
        peer.connection->send(line);
    peer.connection->send("caught-up");
    deal();
    broadcast("players " + std::to_string(players()));
    if (changed)
        changed();
}

void Host::leave(Peer& peer, const std::string&)
{
    Connection* connection = std::exchange(peer.connection, nullptr);
    if (connection)
        connection->deleteLater();
    if (!peer.greeted)
        return;
    const int seat = std::exchange(peer.seat, 0);
    if (seat != 0) {
        broadcast("left " + colourWord(seat));
        if (left)
            left(seat);
    }
    deal();
    broadcast("players " + std::to_string(players()));
    if (changed)
        changed();
}

void Host::deal()
{
    lastKinds_ = state_.playerKind;
    std::vector<int> free;
    for (int c = black; c <= red; ++c)
        if (state_.playerKind[c] == humanValue)
            free.push_back(c);
    auto take = [&free](int colour) {
        for (auto it = free.begin(); it != free.end(); ++it)
            if (*it == colour || colour == 0) {
                const int taken = *it;
                free.erase(it);
                return taken;
            }
        return 0;
    };
    hostSeat_ = take(0);
    std::vector<int> dealt(peers_.size(), 0);
    for (std::size_t i = 0; i < peers_.size(); ++i)
        if (peers_[i]->connection && peers_[i]->greeted && peers_[i]->asked != 0)
            dealt[i] = take(peers_[i]->asked);
    for (std::size_t i = 0; i < peers_.size(); ++i)
        if (peers_[i]->connection && peers_[i]->greeted && dealt[i] == 0)
            dealt[i] = take(0);
    for (std::size_t i = 0; i < peers_.size(); ++i) {
        Peer& peer = *peers_[i];
        if (!peer.connection || !peer.greeted)
            continue;
        peer.seat = dealt[i];
        peer.connection->send("seat " + colourWord(peer.seat));
    }
    if (changed)
        changed();
}

void Host::remember(const std::string& line)
{
    // Called before the line's input runs: the state is that of every input
    // before it. In the no-game state with nothing recorded, nothing of the
    // earlier games can show any more: the next game starts from a seating,
    // which says anew who plays each colour.
    if (state_.turnColour == noneValue && state_.moveNumber == 0 && state_.lastMoveNumber == 0) {
        history_.clear();
        historyBytes_ = 0;
        historyTooLong_ = false;
    }
    if (historyTooLong_)
        return;
    historyBytes_ += line.size() + 1;
    // Half of what may wait on a connection, to leave room for the game.
    if (historyBytes_ > maxPending / 2) {
        historyTooLong_ = true;
        std::vector<std::string>().swap(history_);
        return;
    }
    history_.push_back(line);
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
    if (isRemote(from) || !input.onBoard())
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
        const int seat = seatOf(from);
        const int turn = state_.turnColour;
        const bool releasing = input.kind == Input::Kind::Release && std::exchange(peer.pressed, false);
        if (!releasing && (seat == 0 || turn != seat || state_.playerKind[seat] != humanValue)) {
            std::fprintf(stderr, "korvalo: a move of %s is refused: it is not its turn\n", colourWord(seat).c_str());
            return false;
        }
        peer.pressed = input.kind == Input::Kind::Press;
        const std::string line = "input " + colourWord(seat) + " " + inputLine(input);
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
    const std::string line = "input host " + inputLine(input);
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
    const std::string line = "input host " + computerLine(column, row);
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
    const std::string line = std::string("answer ") + (answer == Answer::No ? "No" : "Yes");
    remember(line);
    broadcast(line);
}

void Host::end()
{
    broadcast(answeredNo_ ? "end No" : "end");
    for (auto& peer : peers_)
        if (peer->connection)
            peer->connection->socket().flush();
}

}  // namespace korvalo::net
