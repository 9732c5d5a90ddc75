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
    connection_->send("hello korvalo " + std::to_string(protocolVersion) + " " + KORVALO_VERSION + " " + code + " " +
                      (seat == 0 ? std::string("any") : colourWord(seat)));
    waitUntil([this] { return welcomed_; }, timeout);
    if (welcomed_)
        return true;
    *error = refusal_.isEmpty() ? QStringLiteral("the host did not answer") : refusal_;
    return false;
}

void Join::hear(const std::string& line)
{
    const std::vector<std::string> words = splitLine(line, 3);
    if (!welcomed_) {
        if (words[0] == "welcome") {
            welcomed_ = true;
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
        const bool parsed = parseScriptLine(words[2], &command, &error);
        // The host's computer: how it chooses, and the squares it chose.
        const bool computer = command.kind == ScriptCommand::Kind::Computer ||
                              command.kind == ScriptCommand::Kind::Strength;
        if (parsed && computer && words[1] == "host") {
            if (command.kind == ScriptCommand::Kind::Strength)
                hostSearches_ = command.strong;
            else if (computerSquare)
                computerSquare(command.column, command.row);
            return;
        }
        if (!parsed || command.kind != ScriptCommand::Kind::Input || (!from && words[1] != "host")) {
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
