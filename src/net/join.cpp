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
    return welcomed_ && connection_ && connection_->isOpen();
}

void Join::start(const QString& host, quint16 port, const std::string& code, int seat, int timeout)
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
    auto* socket = new QTcpSocket;
    connection_ = new Connection(socket, this);
    connection_->onLine = [this](const std::string& line) { hear(line); };
    connection_->onClosed = [this, host, port](const std::string& why) {
        if (!settled_) {
            const QString reason = QString::fromStdString(why);
            settle(!reached_            ? QStringLiteral("cannot reach %1 port %2: %3").arg(host).arg(port).arg(reason)
                   : refusal_.isEmpty() ? QStringLiteral("the host did not answer the greeting: %1").arg(reason)
                                        : refusal_);
            return;
        }
        // A lost host leaves every question to this window's person.
        if (welcomed_) {
            welcomed_ = false;
            path_.letPersonAnswer();
            if (hostEnded)
                hostEnded(false);
        }
    };
    QObject::connect(socket, &QTcpSocket::connected, this, [this, code, seat] {
        reached_ = true;
        connection_->send("hello korvalo " + std::to_string(protocolVersion) + " " + KORVALO_VERSION + " " + code +
                          " " + (seat == watchOnly ? std::string("watch") : seat == 0 ? "any" : colourWord(seat)));
    });
    limit_ = new QTimer(this);
    limit_->setSingleShot(true);
    QObject::connect(limit_, &QTimer::timeout, this, [this, host, port, timeout] {
        const QString seconds = QString::number(timeout / 1000.0);
        settle(reached_ ? QStringLiteral("the host did not answer the greeting within %1 s").arg(seconds)
                        : QStringLiteral("cannot reach %1 port %2 within %3 s").arg(host).arg(port).arg(seconds));
    });
    limit_->start(timeout);
    socket->connectToHost(host, port);
}

void Join::settle(const QString& error)
{
    if (std::exchange(settled_, true))
        return;
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
    settle(QStringLiteral("the host did not answer"));
    joined = nullptr;
    *error = outcome;
    return outcome.isEmpty();
}

void Join::hear(const std::string& line)
{
    const std::vector<std::string> words = splitLine(line, 3);
    if (!welcomed_) {
        if (words[0] == "welcome") {
            welcomed_ = true;
            settle(QString());
            return;
        }
        refusal_ = QString::fromStdString(words[0] == "refused" ? line.substr(std::min<std::size_t>(8, line.size()))
                                                                : "not a Korvalo host");
        connection_->close(refusal_.toStdString());
        return;
    }
    if (words[0] == "input" && words.size() == 3) {
        ScriptCommand command;
        std::string error;
        const std::optional<int> from = colourOf(words[1]);
        if (!parseScriptLine(words[2], &command, &error) || command.kind != ScriptCommand::Kind::Input ||
            (!from && words[1] != "host")) {
            connection_->close("not a line of the game's protocol: " + line.substr(0, 60));
            return;
        }
        if (from && *from == seat_ && *from != 0 && unanswered_ > 0)
            --unanswered_;
        path_.give(*this, command.input);
    } else if (words[0] == "answer" && words.size() == 2 && (words[1] == "Yes" || words[1] == "No")) {
        const Answer answer = words[1] == "No" ? Answer::No : Answer::Yes;
        // The box may be open already, or open once this window catches up.
        if (!path_.answerOpenBox(*this, answer))
            path_.queueAnswers(*this, {answer});
    } else if (words[0] == "seat" && words.size() == 2 && colourOf(words[1])) {
        seat_ = *colourOf(words[1]);
        unanswered_ = 0;
        if (changed)
            changed();
    } else if (words[0] == "players" && words.size() == 2) {
        players_ = std::atoi(words[1].c_str());
        if (changed)
            changed();
    } else if (words[0] == "left" && words.size() == 2 && colourOf(words[1])) {
        if (left)
            left(*colourOf(words[1]));
    } else if (words[0] == "caught-up" && words.size() == 1) {
        path_.afterQueued([self = QPointer<Join>(this)] {
            if (self)
                self->caughtUp_ = true;
        });
    } else if (words[0] == "end") {
        const bool byNo = words.size() == 2 && words[1] == "No";
        welcomed_ = false;
        connection_->onClosed = nullptr;
        connection_->close("the host has ended");
        // Questions are this window's person's from now on.
        path_.letPersonAnswer();
        if (hostEnded)
            hostEnded(byNo);
    } else {
        connection_->close("not a line of the game's protocol: " + line.substr(0, 60));
    }
}

void Join::send(const Input& input)
{
    ++unanswered_;
    connection_->send("move " + inputLine(input));
}

void Join::leave()
{
    if (!connected())
        return;
    welcomed_ = false;
    connection_->onClosed = nullptr;
    connection_->send("bye");
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
