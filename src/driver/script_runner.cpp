#include "driver/script_runner.h"

#include "flow/menu_commands.h"
#include "log/log.h"
#include "net/game_setup.h"
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

// How long a headless peer waits for its turn, for players or for the end.
constexpr int waitLimit = 10 * 60 * 1000;

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
    form_ = std::make_unique<Form1>(ui_, library_.get());
    // A joined window plays the squares its host's computer chose.
    if (options_.computerLevel != standardLevel && options_.role == SessionOptions::Role::Join)
        korvalo::log::print("korvalo-script: --computer is the host's to choose; it is left aside here\n");
    else
        form_->computer().computerLevel = options_.computerLevel;
    events_ = std::make_unique<FormEvents>(*form_);
    path_ = std::make_unique<InputPath>(*events_);
    form_->computer().carriedSquareChosen = [this](int column, int row) { path_->computerChose(column, row); };
    // Alone, the script holds the game; in a network game the host's and the
    // other windows' inputs come in too.
    if (options_.role == SessionOptions::Role::None)
        path_->hold(*this);
    ui_.answerBox = [this](Buttons buttons) {
        // A joined window's question is answered by the host.
        if (join_ && buttons == Buttons::YesNo && path_->answersWaiting() == 0)
            join_->waitUntil([this] { return path_->answersWaiting() > 0; }, waitLimit);
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
    std::string line;
    while (!ui_.ended) {
        std::string error;
        switch (reader.next(&line)) {
        case ScriptReader::Result::End: return 0;
        case ScriptReader::Result::Line:
            if (execute(line, &error))
                continue;
            error = reader.about(error);
            break;
        case ScriptReader::Result::Wait:
            // A peer of a network game keeps answering the others while its
            // script (a pipe, say) has no line for it yet.
            if (awaitScript(reader))
                continue;
            error = reader.about("the script stopped giving lines");
            break;
        case ScriptReader::Result::Cut:
        case ScriptReader::Result::TooLong:
        case ScriptReader::Result::Failed: error = reader.problem(); break;
        }
        err << "korvalo-script: " << error << '\n';
        return 2;
    }
    return 0;
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

bool ScriptRunner::execute(const std::string& line, std::string* error)
{
    using Kind = ScriptCommand::Kind;
    ScriptCommand command;
    if (!parseScriptLine(line, &command, error))
        return false;
    switch (command.kind) {
    case Kind::Nothing: break;
    case Kind::Input:
        if (options_.role != SessionOptions::Role::None && command.input.onBoard())
            return giveMove(command.input, error);
        path_->give(*this, command.input);
        break;
    case Kind::WaitPlayers: return waitForPlayers(command.players, error);
    case Kind::WaitEnd: return waitForTheEnd(error);
    case Kind::Answer:
        if (!path_->queueAnswers(*this, command.answers)) {
            *error = "more than " + std::to_string(InputPath::maxQueuedAnswers) + " answers wait for message boxes";
            return false;
        }
        break;
    case Kind::Computer: form_->computer().carriedSquares.emplace_back(command.column, command.row); break;
    case Kind::Strength:
        form_->computer().computerLevel = command.level;
        break;
    case Kind::State: printState(); break;
    case Kind::Snapshot:
        if (!snapshot_ || !snapshot_(command.file)) {
            *error = "cannot save the snapshot: " + quotedLine(line);
            return false;
        }
        break;
    }
    return true;
}

bool ScriptRunner::startNetwork(std::string* error)
{
    QString why;
    switch (options_.role) {
    case SessionOptions::Role::None: return true;
    case SessionOptions::Role::Host:
        host_ = net::openGame(*path_, *form_, options_.code, static_cast<quint16>(options_.port), &why);
        if (!host_) {
            *error = "cannot host on port " + std::to_string(options_.port) + ": " + why.toStdString();
            return false;
        }
        korvalo::log::print("korvalo-script: hosting on port %d with the code %s\n", host_->port(),
                     host_->code().c_str());
        if (host_->weakCode())
            korvalo::log::print("korvalo-script: the code is weak (about %.0f bits, under %.0f): a stranger may guess it\n",
                         host_->codeBits(), net::weakCodeBits);
        host_->left = [](int colour) {
            korvalo::log::print("korvalo-script: the window of %s has left; its colour is played here\n",
                         net::colourWord(colour).c_str());
        };
        if (options_.portMapping)
            mapPort();
        // While its computer chooses, the host keeps answering the
        // other windows (the timer wakes the loop to look at the search).
        form_->computer().awaitSearch = [](const std::function<bool()>& done) {
            QTimer look;
            look.start(5);
            net::runUntil(done, waitLimit);
        };
        return true;
    case SessionOptions::Role::Join:
        join_ = std::make_unique<net::Join>(*path_, form_->state());
        net::playHostsSquares(*join_, *form_);
        if (!join_->connectTo(QString::fromStdString(options_.host), static_cast<quint16>(options_.port),
                              options_.code, options_.seat, 20000, &why)) {
            *error = "cannot join " + options_.host + ": " + why.toStdString();
            return false;
        }
        join_->waitUntil([this] { return join_->caughtUp(); }, waitLimit);
        return true;
    }
    return true;
}

bool ScriptRunner::giveMove(const Input& input, std::string* error)
{
    const GameState& s = form_->state();
    if (join_) {
        auto myTurn = [&] {
            const int seat = join_->seat();
            return join_->movesUnanswered() == 0 && seat != 0 && s.turnColour == seat &&
                   s.playerKind[seat] == humanValue;
        };
        // Once the host has gone, the game is this window's alone.
        if (!join_->waitUntil(myTurn, waitLimit) && join_->connected()) {
            *error = "waited too long for the turn of " + net::colourWord(join_->seat());
            return false;
        }
        path_->give(*this, input);
        join_->waitUntil([this] { return join_->movesUnanswered() == 0; }, waitLimit);
        return true;
    }
    if (host_) {
        auto hostsTurn = [&] {
            const int turn = s.turnColour;
            return turn >= black && turn <= red && s.playerKind[turn] == humanValue && host_->take(*this, input);
        };
        if (!net::runUntil(hostsTurn, waitLimit)) {
            *error = "waited too long for the host's turn";
            return false;
        }
    }
    path_->give(*this, input);
    return true;
}

bool ScriptRunner::waitForPlayers(int players, std::string* error)
{
    auto enough = [&] {
        if (host_)
            return host_->players() >= players;
        if (join_)
            return join_->players() >= players;
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
    if (join_) {
        join_->leave();
        net::runUntil([] { return false; }, 50);  // lets the farewell go out
    }
    if (host_) {
        // A hosting peer ends once every joined window has left.
        net::runUntil([this] { return host_->players() == 1; }, waitLimit);
        host_->end();
        net::runUntil([] { return false; }, 50);
        mapping_.reset();
    }
}

void ScriptRunner::mapPort()
{
    // The result goes to standard error: standard output is the trace.
    mapping_ = std::make_unique<net::PortMapping>();
    mapping_->done = [this](const net::MappingResult& result) {
        for (const QString& line : net::describeMapping(result, host_->code()))
            korvalo::log::print("korvalo-script: %s\n", line.toUtf8().constData());
        korvalo::log::print("korvalo-script: the router was asked in %d ms\n", result.milliseconds);
    };
    net::removeOnTerminationSignal(*mapping_);
    mapping_->start(host_->port());
}

void ScriptRunner::printState()
{
    korvalo::printState(out_, form_->state(), ui_);
}

}  // namespace korvalo
