#include "net/join.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include "log/printable.h"
#include "net/connection.h"
#include "net/forwarding.h"
#include "net/protocol.h"
#include "net/reasons.h"
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
    return welcomed_ && connection_ && connection_->isOpen();
}

void Join::start(const QString& host, quint16 port, const std::string& code, int seat, int timeout)
{
    begin(new Connection(new QTcpSocket), host, port, code, seat, timeout);
    connection_->connectTo(host, port);
}

void Join::start(Connection* connection, const std::string& code, int seat, int timeout)
{
    begin(connection, QString::fromStdString(connection->address()), 0, code, seat, timeout);
}

void Join::begin(Connection* connection, const QString& host, quint16 port, const std::string& code, int seat,
                 int timeout)
{
    // A join tried again starts afresh; what is left of the last try goes.
    if (connection_) {
        connection_->onClosed = nullptr;
        connection_->onLine = nullptr;
        connection_->deleteLater();
    }
    delete limit_;
    welcomed_ = reached_ = settled_ = false;
    refusal_.clear();
    refusalForWindow_.clear();
    connection_ = connection;
    connection_->setParent(this);
    connection_->onLine = [this](const std::string& line) { hear(line); };
    connection_->onClosed = [this, host, port](const std::string& why) {
        if (!settled_) {
            const QString reason = QString::fromStdString(why);
            QString said = connection_->reasonForWindow();
            if (said.isEmpty())
                said = QStringLiteral("接続が切れました");
            if (!reached_)
                settle(QStringLiteral("cannot reach %1 port %2: %3").arg(host).arg(port).arg(reason),
                       QStringLiteral("%1 のポート %2 につながりません (%3)。").arg(host).arg(port).arg(said));
            else if (refusal_.isEmpty())
                settle(QStringLiteral("the host did not answer the greeting: %1").arg(reason),
                       QStringLiteral("ホストが挨拶に応えませんでした (%1)。").arg(said));
            else
                settle(refusal_, refusalForWindow_);
            return;
        }
        // A lost host leaves every question to this window's person.
        if (welcomed_) {
            welcomed_ = false;
            path_.letPersonAnswer();
            if (listener_)
                listener_->hostEnded(false);
        }
    };
    connection_->onReached = [this, code, seat] {
        reached_ = true;
        connection_->send(message::Hello{std::to_string(protocolVersion), KORVALO_VERSION, code,
                                         seat == watchOnly ? std::string("watch")
                                         : seat == 0       ? std::string("any")
                                                           : colourWord(seat)});
    };
    limit_ = new QTimer(this);
    limit_->setSingleShot(true);
    QObject::connect(limit_, &QTimer::timeout, this, [this, host, port, timeout] {
        const QString seconds = QString::number(timeout / 1000.0);
        if (reached_)
            settle(QStringLiteral("the host did not answer the greeting within %1 s").arg(seconds),
                   QStringLiteral("ホストが %1 秒のうちに挨拶に応えませんでした。").arg(seconds));
        else
            settle(QStringLiteral("cannot reach %1 port %2 within %3 s").arg(host).arg(port).arg(seconds),
                   QStringLiteral("%1 のポート %2 に %3 秒のうちにつながりませんでした。")
                       .arg(host)
                       .arg(port)
                       .arg(seconds));
    });
    limit_->start(timeout);
}

void Join::settle(const QString& error, const QString& forWindow)
{
    if (std::exchange(settled_, true))
        return;
    errorForWindow_ = forWindow;
    limit_->stop();
    if (!error.isEmpty()) {
        connection_->onClosed = nullptr;
        connection_->close(error.toStdString());
    }
    if (joined)
        joined(error);
}

bool Join::connectTo(const QString& host, quint16 port, const std::string& code, int seat, int timeout,
                     QString* error)
{
    QString outcome;
    joined = [&outcome](const QString& why) { outcome = why; };
    start(host, port, code, seat, timeout);
    runUntil([this] { return settled_; }, timeout + 1000);
    settle(QStringLiteral("the host did not answer"), QStringLiteral("ホストが応えませんでした。"));
    joined = nullptr;
    *error = outcome;
    return outcome.isEmpty();
}

void Join::hear(const std::string& line)
{
    using namespace message;
    const std::optional<Message> parsed = parseMessage(line);
    if (!welcomed_) {
        if (parsed && std::holds_alternative<Welcome>(*parsed)) {
            welcomed_ = true;
            catchUpCost_ = 0;
            catchingUp_ = true;
            settle(QString());
            return;
        }
        if (const auto* wait = parsed ? std::get_if<RefusedWait>(&*parsed) : nullptr) {
            refusal_ = QStringLiteral("too many greetings wait at the host; try again in %1 s").arg(wait->seconds);
            refusalForWindow_ = waitForWindow(wait->seconds);
        } else if (const auto* refused = parsed ? std::get_if<Refused>(&*parsed) : nullptr) {
            refusal_ = QString::fromStdString(log::printable(refused->reason));
            refusalForWindow_ = refusalForWindow(refused->reason);
        } else {
            refusal_ = QStringLiteral("not a Korvalo host");
            refusalForWindow_ = QStringLiteral("相手はこのゲームのホストではありません。");
        }
        connection_->close(refusal_.toStdString());
        return;
    }
    // What no host sends ends the game with it; this window plays on alone.
    auto wrong = [&] {
        hostBroke_ = true;
        connection_->close("the host sent what no host sends: " + log::printable(line, 60));
    };
    if (!parsed)
        return wrong();
    // A catch-up beyond what a host sends is no host's.
    if (catchingUp_ && !std::holds_alternative<CaughtUp>(*parsed) &&
        (catchUpCost_ += line.size() + lineCost) > maxCatchUp)
        return wrong();
    if (const auto* computer = std::get_if<ComputerOf>(&*parsed)) {
        // The host's computer: that it sends its squares, and the squares.
        if (computer->announce)
            hostSearches_ = true;
        else if (!hostSearches_ || !keepsSquare(computer->column, computer->row))
            return wrong();
    } else if (const auto* input = std::get_if<InputOf>(&*parsed)) {
        if (!hostMaySend(input->from, input->input) || path_.inputsWaiting() >= maxInputsWaiting)
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
        if (listener_)
            listener_->playersChanged();
    } else if (const auto* players = std::get_if<Players>(&*parsed)) {
        players_ = players->count;
        if (listener_)
            listener_->playersChanged();
    } else if (const auto* gone = std::get_if<Left>(&*parsed)) {
        if (listener_)
            listener_->peerLeft(gone->colour);
    } else if (std::holds_alternative<CaughtUp>(*parsed)) {
        catchingUp_ = false;
        path_.afterQueued([self = QPointer<Join>(this)] {
            if (self)
                self->caughtUp_ = true;
        });
    } else if (const auto* end = std::get_if<End>(&*parsed)) {
        welcomed_ = false;
        connection_->onClosed = nullptr;
        connection_->close("the host has ended");
        // Questions are this window's person's from now on.
        path_.letPersonAnswer();
        if (listener_)
            listener_->hostEnded(end->byNo);
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
