#include "driver/script_runner.h"

#include "flow/menu_commands.h"
#include "log/log.h"
#include "net/join_code.h"
#include "script/script_language.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <istream>
#include <ostream>

namespace korvalo {

// The colour a join asks for goes to the network as the command line read it.
static_assert(SessionOptions::watchOnly == net::Join::watchOnly);

namespace {

constexpr int waitLimit = headlessWaitLimit;

}  // namespace

ScriptRunner::ScriptRunner(const ScriptOptions& options, std::ostream& out, Platform* surface,
                           std::function<bool(const std::string&)> snapshot)
    : options_(options), out_(out), snapshot_(std::move(snapshot)), ui_(surface)
{
    // Each line is printed as it happens and not kept: a script of any
    // length runs in the same memory.
    ui_.keepLines = false;
    ui_.onLine = [this](const std::string& line) {
        if (options_.draw || !RecordingPlatform::isDrawingLine(line))
            out_ << line << '\n' << std::flush;
        gameEnds_ += line.rfind("msgbox \"続けます？\"", 0) == 0;
    };
    if (options_.soundLibrary)
        library_ = std::make_unique<RecordingDsLibrary>([this](const std::string& line) { ui_.record(line); },
                                                        options_.soundDevice);
    session_ = std::make_unique<Session>(ui_, library_.get(), static_cast<SessionListener&>(*this));
    form_ = &session_->form();
    path_ = &session_->path();
    session_->apply(options_);
    // Alone, the script holds the game; in a network game the host's and the
    // other windows' inputs come in too.
    if (options_.role == SessionOptions::Role::None)
        path_->hold(*this);
    ui_.answerBox = [this](Buttons buttons) {
        // A joined window's question is answered by the host.
        if (join() && buttons == Buttons::YesNo && path_->answersWaiting() == 0)
            join()->waitUntil([this] { return path_->answersWaiting() > 0; }, waitLimit);
        const Answer answer = path_->answerFor(buttons).value_or(buttons == Buttons::YesNo ? Answer::Yes : Answer::OK);
        path_->answered(buttons, answer);
        return answer;
    };
    ui_.onEnd = [this] { path_->end(); };
}

int ScriptRunner::run(std::istream& script, std::ostream& err)
{
    ScriptReader reader(script);
    return run(reader, err);
}

int ScriptRunner::run(ScriptReader& reader, std::ostream& err)
{
    path_->load();
    if (std::string error; !startNetwork(&error)) {
        err << "korvalo-script: " << error << '\n';
        return 2;
    }
    const int code = runLines(reader, err);
    endNetwork();
    return code;
}

int ScriptRunner::runLines(ScriptReader& reader, std::ostream& err)
{
    using Step = ScriptInterpreter::Step;
    ScriptInterpreter script(reader, *path_, *this, *form_, *this, out_);
    std::string error;
    for (;;) {
        switch (script.readAhead()) {
        case Step::Input:
            if (script.give())
                continue;
            error = script.problem();
            break;
        case Step::Wait:
            // A peer of a network game keeps answering the others while its
            // script (a pipe, say) has no line for it yet.
            if (awaitScript(reader))
                continue;
            error = reader.about("the script stopped giving lines");
            break;
        case Step::End: return 0;
        case Step::Stopped: error = script.problem(); break;
        }
        err << "korvalo-script: " << error << '\n';
        return 2;
    }
}

bool ScriptRunner::awaitScript(const ScriptReader& reader)
{
    if (options_.role == SessionOptions::Role::None || reader.descriptor() < 0)
        return false;
    QSocketNotifier readable(reader.descriptor(), QSocketNotifier::Read);
    bool ready = false;
    QObject::connect(&readable, &QSocketNotifier::activated, [&] { ready = true; });
    return net::runUntil([&] { return ready || ui_.ended; }, waitLimit);
}

bool ScriptRunner::snapshot(const std::string& file, std::string* refusal)
{
    if (snapshot_ && snapshot_(file))
        return true;
    *refusal = "cannot save the snapshot";
    return false;
}

bool ScriptRunner::startNetwork(std::string* error)
{
    if (options_.role == SessionOptions::Role::None)
        return true;
    auto peer = std::make_unique<HeadlessPeer>(*session_, static_cast<SessionListener&>(*this));
    peer_ = peer.get();
    if (QString why; !session_->startNetwork(std::move(peer), options_, &why)) {
        *error = why.toStdString();
        return false;
    }
    return true;
}

bool ScriptRunner::awaitTurn(const Input& input, std::string* error)
{
    if (options_.role == SessionOptions::Role::None || !input.onBoard())
        return true;
    const GameState& s = form_->state();
    if (join()) {
        auto myTurn = [&] {
            const int seat = join()->seat();
            return join()->movesUnanswered() == 0 && seat != 0 && s.turnColour == seat &&
                   s.playerKind[seat] == humanValue;
        };
        // Once the host has gone, the game is this window's alone.
        if (!join()->waitUntil(myTurn, waitLimit) && join()->connected()) {
            *error = "waited too long for the turn of " + net::colourWord(join()->seat());
            return false;
        }
        return true;
    }
    if (host()) {
        auto hostsTurn = [&] {
            const int turn = s.turnColour;
            return turn >= black && turn <= red && s.playerKind[turn] == humanValue && host()->take(*this, input);
        };
        if (!net::runUntil(hostsTurn, waitLimit)) {
            *error = "waited too long for the host's turn";
            return false;
        }
    }
    return true;
}

void ScriptRunner::inputGiven(const Input& input)
{
    if (join() && input.onBoard())
        join()->waitUntil([this] { return join()->movesUnanswered() == 0; }, waitLimit);
}

bool ScriptRunner::waitForPlayers(int players, std::string* error)
{
    auto enough = [&] {
        if (host())
            return host()->players() >= players;
        if (join())
            return join()->players() >= players;
        return players <= 1;
    };
    if (net::runUntil(enough, options_.role == SessionOptions::Role::None ? 0 : waitLimit))
        return true;
    *error = "fewer than " + std::to_string(players) + " players";
    return false;
}

bool ScriptRunner::waitForTheEnd(std::string* error)
{
    auto ended = [this] { return gameEnds_ > endsWaited_ || ui_.ended; };
    if (!net::runUntil(ended, options_.role == SessionOptions::Role::None ? 0 : waitLimit)) {
        *error = "the game has not ended";
        return false;
    }
    endsWaited_ = gameEnds_;
    return true;
}

void ScriptRunner::endNetwork()
{
    session_->stopNetwork();
}

void ScriptRunner::logLine(const std::string& line)
{
    korvalo::log::print("korvalo-script: %s\n", line.c_str());
}

void ScriptRunner::hosting(const HostingNews& news)
{
    korvalo::log::print("korvalo-script: hosting on port %d with the code %s\n", news.port, news.code.c_str());
    if (news.weakCode)
        korvalo::log::print("korvalo-script: the code is weak (about %.0f bits, under %.0f): a stranger may guess it\n",
                            news.codeBits, net::weakCodeBits);
}

void ScriptRunner::peerLeft(int colour)
{
    // A joined window's host plays the colour; nothing to say there.
    if (!host())
        return;
    korvalo::log::print("korvalo-script: the window of %s has left; its colour is played here\n",
                        net::colourWord(colour).c_str());
}

void ScriptRunner::routerAnswered(const RouterAnswer& answer)
{
    for (const QString& line : answer.lines)
        korvalo::log::print("korvalo-script: %s\n", line.toUtf8().constData());
    korvalo::log::print("korvalo-script: the router was asked in %d ms\n", answer.milliseconds);
}

}  // namespace korvalo
