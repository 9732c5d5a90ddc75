#include "net/join.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <charconv>

#include "net/connection.h"
#include "net/protocol.h"
#include "script/script_language.h"

namespace korvalo::net {

namespace {

// A whole number from low to high written in digits only.
bool toCount(const std::string& text, int low, int high, int* value)
{
    int read = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), read);
    if (error != std::errc() || end != text.data() + text.size() || text[0] == '-' || read < low || read > high)
        return false;
    *value = read;
    return true;
}

}  // namespace

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
        int wait = 0;
        if (words.size() == 3 && words[0] == "refused" && words[1] == "wait" && toCount(words[2], 1, 3600, &wait))
            refusal_ = QStringLiteral("too many wrong codes; try again in %1 s").arg(wait);
        else
            refusal_ = QString::fromStdString(words[0] == "refused" ? printable(line.substr(std::min<std::size_t>(8, line.size())))
                                                                    : "not a Korvalo host");
        connection_->close(refusal_.toStdString());
        return;
    }
    // What no host sends ends the game with it; this window plays on alone.
    auto wrong = [&] {
        hostBroke_ = true;
        connection_->close("the host sent what no host sends: " + printable(line, 60));
    };
    if (words[0] == "input" && words.size() == 3) {
        ScriptCommand command;
        std::string error;
        const std::optional<int> from = colourOf(words[1]);
        if (!parseScriptLine(words[2], &command, &error) || command.kind != ScriptCommand::Kind::Input ||
            (!from && words[1] != "host") || (from && *from == 0) || !hostMaySend(words[1], command.input))
            return wrong();
        if (from && *from == seat_ && *from != 0 && unanswered_ > 0)
            --unanswered_;
        path_.give(*this, command.input);
    } else if (words[0] == "answer" && words.size() == 2 && (words[1] == "Yes" || words[1] == "No")) {
        const Answer answer = words[1] == "No" ? Answer::No : Answer::Yes;
        // The box may be open already, or open once this window catches up.
        if (!path_.answerOpenBox(*this, answer))
            path_.queueAnswers(*this, {answer});
    } else if (words[0] == "seat" && words.size() == 2 && colourOf(words[1]) && words[1] != "any") {
        seat_ = *colourOf(words[1]);
        unanswered_ = 0;
        if (changed)
            changed();
    } else if (words[0] == "players" && words.size() == 2 && toCount(words[1], 1, maxPlayers, &players_)) {
        if (changed)
            changed();
    } else if (words[0] == "left" && words.size() == 2 && colourOf(words[1]).value_or(0) != 0) {
        if (left)
            left(*colourOf(words[1]));
    } else if (words[0] == "caught-up" && words.size() == 1) {
        path_.afterQueued([self = QPointer<Join>(this)] {
            if (self)
                self->caughtUp_ = true;
        });
    } else if (words[0] == "end" && (words.size() == 1 || (words.size() == 2 && words[1] == "No"))) {
        const bool byNo = words.size() == 2;
        welcomed_ = false;
        connection_->onClosed = nullptr;
        connection_->close("the host has ended");
        if (hostEnded)
            hostEnded(byNo);
    } else {
        wrong();
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
