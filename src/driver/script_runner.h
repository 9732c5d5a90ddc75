#pragma once
// Runs the game from a script of window events and prints every observable
// event as one line: the engine of the scenario driver korvalo-script.
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

#include "sound/recording/recording_library.h"
#include "input/input_path.h"
#include "driver/headless_peer.h"
#include "net/connection.h"
#include "net/host.h"
#include "net/join.h"
#include "net/protocol.h"
#include "input/window_events.h"
#include "platform/recording/recording_platform.h"
#include "script/script_interpreter.h"
#include "script/script_reader.h"
#include "script/session_listener.h"
#include "script/session_options.h"
#include "session/session.h"

namespace korvalo {

// The shared options say which game: the computer, and a network game's part
// as a headless peer (a join names its host and code).
struct ScriptOptions : SessionOptions {
    bool draw = false;           // also print the drawing primitives
    bool soundDevice = true;     // false: dsInitialize answers 0
    bool soundLibrary = true;    // false: the program sees no sound library
    double ratio = 1;            // device pixels to a logical pixel in snapshots
};

// The script is a source of input like any other: its inputs and answers
// reach the game through the input path, which holds the game for it. In a
// network game it is one window's person instead: a click waits until that
// window's colour is to move, and the script may wait for players and for the
// end of a game.
class ScriptRunner : public InputSource, private ScriptListener, private SessionListener {
public:
    // surface, when given, receives every drawing call (for snapshots).
    // snapshot saves the drawing area with the visible icons as a PNG and
    // answers false when it cannot.
    ScriptRunner(const ScriptOptions& options, std::ostream& out, Platform* surface = nullptr,
                 std::function<bool(const std::string& file)> snapshot = {});

    // Runs Form_Load, then every command of the script. Returns the exit code:
    // 0 at the end of the script or when the program ended, 2 for a malformed
    // command (with a message on err).
    int run(ScriptReader& script, std::ostream& err);
    int run(std::istream& script, std::ostream& err);

    Form1& form() { return session_->form(); }
    // The network role's host or join, while it has one.
    net::Host* host() { return peer_ ? peer_->host() : nullptr; }
    net::Join* join() { return peer_ ? peer_->join() : nullptr; }
    InputPath& path() { return session_->path(); }

private:
    int runLines(ScriptReader& reader, std::ostream& err);
    // Runs the event loop until the script has more to read; false for a
    // script alone, and when nothing came in time.
    bool awaitScript(const ScriptReader& reader);
    bool startNetwork(std::string* error);
    void endNetwork();

    // ---- ScriptListener
    bool snapshot(const std::string& file, std::string* refusal) override;
    bool waitForPlayers(int players, std::string* error) override;
    bool waitForTheEnd(std::string* error) override;
    // In a network game, a click, press or release on the board waits until
    // it is this window's turn; false when it never came. A joined window
    // then waits for the host to answer the move.
    bool awaitTurn(const Input& input, std::string* error) override;
    void inputGiven(const Input& input) override;

    // ---- SessionListener: each a line on standard error.
    void logLine(const std::string& line) override;
    void hosting(const HostingNews& news) override;
    void peerLeft(int colour) override;
    void routerAnswered(const RouterAnswer& answer) override;

    ScriptOptions options_;
    std::ostream& out_;
    std::function<bool(const std::string&)> snapshot_;
    RecordingPlatform ui_;
    std::unique_ptr<RecordingDsLibrary> library_;
    std::unique_ptr<Session> session_;
    // Its game and path, for short.
    Form1* form_ = nullptr;
    InputPath* path_ = nullptr;
    HeadlessPeer* peer_ = nullptr;  // the session's network role, in a network game
    int gameEnds_ = 0;    // questions whether to play on asked so far
    int endsWaited_ = 0;  // of them, those a wait end has waited for
};

}  // namespace korvalo
