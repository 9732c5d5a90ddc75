#include "net/join.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include "net/connection.h"
#include "net/protocol.h"
#include "script/script_language.h"

namespace korvalo::net {

Join::Join(InputPath& path, const GameState& state) : path_(path), state_(state)
{
    path_.follow(this);
}

Join::~Join()
{
    path_.follow(nullptr);
    if (connection_)
        connection_->onClosed = nullptr;
}

bool Join::connected() const
{
    return connection_ && connection_->isOpen();
}

bool Join::connectTo(const QString& host, quint16 port, const std::string& code, int seat, int timeout,
                     QString* error)
{
    auto* socket = new QTcpSocket;
    connection_ = new Connection(socket, this);
    connection_->onLine = [this](const std::string& line) { hear(line); };
    connection_->onClosed = [this](const std::string& why) {
        if (refusal_.isEmpty())
            refusal_ = QString::fromStdString(why);
        if (welcomed_ && hostEnded) {
            welcomed_ = false;
            hostEnded(false);
        }
    };
    socket->connectToHost(host, port);
    if (!socket->waitForConnected(timeout)) {
        *error = QStringLiteral("cannot reach %1 port %2: %3").arg(host).arg(port).arg(socket->errorString());
        connection_->onClosed = nullptr;
        return false;
    }
    connection_->send(message::Hello{std::to_string(protocolVersion), KORVALO_VERSION, code,
                                     seat == 0 ? std::string("any") : colourWord(seat)});
    waitUntil([this] { return welcomed_; }, timeout);
    if (welcomed_)
        return true;
    *error = refusal_.isEmpty() ? QStringLiteral("the host did not answer") : refusal_;
    return false;
}

void Join::hear(const std::string& line)
{
    using namespace message;
    const std::optional<Message> parsed = parseMessage(line);
    if (!welcomed_) {
        if (parsed && std::holds_alternative<Welcome>(*parsed)) {
            welcomed_ = true;
            return;
        }
        if (const auto* wait = parsed ? std::get_if<RefusedWait>(&*parsed) : nullptr)
            refusal_ = QStringLiteral("too many wrong codes; try again in %1 s").arg(wait->seconds);
        else if (const auto* refused = parsed ? std::get_if<Refused>(&*parsed) : nullptr)
            refusal_ = QString::fromStdString(printable(refused->reason));
        else
            refusal_ = QStringLiteral("not a Korvalo host");
        connection_->close(refusal_.toStdString());
        return;
    }
    // What no host sends ends the game with it; this window plays on alone.
    auto wrong = [&] {
        hostBroke_ = true;
        connection_->close("the host sent what no host sends: " + printable(line, 60));
    };
    if (!parsed)
        return wrong();
    if (const auto* input = std::get_if<InputOf>(&*parsed)) {
        if (!hostMaySend(input->from, input->input))
            return wrong();
        if (input->from == colourWord(seat_) && seat_ != 0 && unanswered_ > 0)
            --unanswered_;
        path_.give(*this, input->input);
    } else if (const auto* answer = std::get_if<AnswerOf>(&*parsed)) {
        // The box may be open already, or open once this window catches up.
        if (!path_.answerOpenBox(*this, answer->answer))
            path_.queueAnswers(*this, {answer->answer});
    } else if (const auto* seat = std::get_if<Seat>(&*parsed)) {
        seat_ = seat->colour;
        unanswered_ = 0;
        if (changed)
            changed();
    } else if (const auto* players = std::get_if<Players>(&*parsed)) {
        players_ = players->count;
        if (changed)
            changed();
    } else if (const auto* gone = std::get_if<Left>(&*parsed)) {
        if (left)
            left(gone->colour);
    } else if (std::holds_alternative<CaughtUp>(*parsed)) {
        path_.afterQueued([self = QPointer<Join>(this)] {
            if (self)
                self->caughtUp_ = true;
        });
    } else if (const auto* end = std::get_if<End>(&*parsed)) {
        welcomed_ = false;
        connection_->onClosed = nullptr;
        connection_->close("the host has ended");
        if (hostEnded)
            hostEnded(end->byNo);
    } else {
        wrong();
    }
}

void Join::send(const Input& input)
{
    ++unanswered_;
    connection_->send(message::Move{input});
}

void Join::leave()
{
    if (!connected())
        return;
    welcomed_ = false;
    connection_->onClosed = nullptr;
    connection_->send(message::Bye{});
    connection_->close("this window left the game");
}

bool Join::waitUntil(const std::function<bool()>& done, int timeout)
{
    runUntil([&] { return done() || !connected(); }, timeout);
    return done();
}

bool Join::take(InputSource& from, const Input& input)
{
    if (&from == this || !connected())
        return true;
    if (input.leaves()) {
        leave();
        return true;
    }
    // The options and the about box are this window's own; the commands that
    // change the game for everyone are the host's.
    if (input.kind == Input::Kind::Menu)
        return isWindowsOwn(input);
    if (input.kind == Input::Kind::Key)
        return true;
    // A move on the board goes to the host when this window's colour is to
    // move, and the release of a press that went.
    if (input.kind == Input::Kind::Release) {
        if (std::exchange(pressSent_, false))
            send(input);
        return false;
    }
    const int turn = state_.turnColour;
    if (seat_ != 0 && turn == seat_ && state_.playerKind[turn] == humanValue) {
        pressSent_ = input.kind == Input::Kind::Press;
        if (input.kind == Input::Kind::Click) {
            Input half = input;
            half.kind = Input::Kind::Press;
            send(half);
            half.kind = Input::Kind::Release;
            send(half);
        } else if (input.kind != Input::Kind::Close) {
            send(input);
        }
    }
    return false;
}

bool Join::admit(InputSource&, const Input&)
{
    return true;
}

void Join::answered(Buttons, Answer) {}

}  // namespace korvalo::net
