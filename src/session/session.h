#pragma once
// One game session, the same for the window and for korvalo-script: it owns
// the game (Form1), the input path every input takes into it, the record it
// writes, and the network role (hosting or joining) of a network game. The
// programs differ only in how they show what happens, which the session and
// its role tell through one SessionListener, and in the platform the game
// draws on. The network code stays out of the session: a role is made by the
// program (the window loads its network module only for a network game), so
// a game at one window loads no network library.
#include <QString>
#include <memory>
#include <string>

#include "flow/form1.h"
#include "input/input_path.h"
#include "input/window_events.h"
#include "script/session_listener.h"
#include "script/session_options.h"

namespace korvalo {

class GameRecord;

// A session's part in a network game: hosting, or joining a host.
class NetworkRole {
public:
    virtual ~NetworkRole() = default;
    // Starts hosting or joining once the game is loaded. False with a
    // message for the person when that cannot be (a wrong code, a full game,
    // a different version, a host that cannot be reached or found).
    virtual bool start(const SessionOptions& options, QString* error) = 0;
    // Ends the part: a host tells every joined window.
    virtual void stop() = 0;
};

class Session {
public:
    // The game plays on ui, and through library (null: silently). events,
    // when given, receives the inputs instead of the game's handlers (for
    // testing a face); it must outlive the session, as must ui and listener.
    Session(Platform& ui, DsLibrary* library, SessionListener& listener, WindowEvents* events = nullptr);
    ~Session();

    Form1& form() { return form_; }
    const Form1& form() const { return form_; }
    InputPath& path() { return path_; }
    bool ended() const { return path_.ended(); }

    // The options that are the game's own: the computer's strength. A joined
    // game plays the squares its host's computer chose, so there the option
    // is left aside, and the listener hears so.
    void apply(const SessionOptions& options);

    // Writes every input the game handles into record from now on (null:
    // none); the listener is told once should it no longer be written. The
    // record must outlive the session.
    void recordInto(GameRecord* record);

    // Runs the load event once.
    void load() { path_.load(); }

    // Takes part in a network game as role: hosts or joins as the options
    // say. False with the reason for the person when the role is missing
    // (why then says why) or cannot start.
    bool startNetwork(std::unique_ptr<NetworkRole> role, const SessionOptions& options, QString* why);
    // Ends the network part, if any: a host tells every joined window.
    void stopNetwork();

private:
    SessionListener& listener_;
    Form1 form_;
    FormEvents formEvents_;
    InputPath path_;
    std::unique_ptr<NetworkRole> network_;
};

}  // namespace korvalo
