#pragma once
// What both programs are told on their command line about the game they
// play, and the one reader of it: every option the window and korvalo-script
// share is read, checked and refused here, with the same words, so that the
// two give the same verdict on it. Each program adds its own options to the
// same parser and shows a refusal its own way.
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <string>

#include "script/join_link.h"

namespace korvalo {

struct SessionOptions {
    int computerLevel = 2;  // how well the computer colours play (computer/levels.h)
    bool keyboard = false;  // the board is played with the keyboard too

    // Taking part in a network game.
    enum class Role { None, Host, Join };
    Role role = Role::None;
    std::string host;          // Join: the host's address; empty: look on the local network
    int port = 0;              // Host: the port to listen on, 0 for any free one; Join: the host's
    std::string code;          // Host: empty for a random one; Join: empty to ask the person
    int seat = 0;              // Join: the colour asked for (1 to 4); 0: any; watchOnly: none
    static constexpr int watchOnly = -1;
    bool portMapping = false;  // Host: ask the router to forward the port
    bool fromLink = false;     // Join: named by a korvalo:// link

    // The host's address and port as a person writes them (IPv6 in brackets).
    std::string where() const;
};

// Where the programs may differ on the shared options.
struct SessionDefaults {
    int port = 0;               // the usual port of a network game
    bool portMapping = false;   // a host asks the router unless told otherwise
    bool asksThePerson = false; // a join may leave the code to be asked and the host (-) to be looked for
    bool hasKeyboard = false;   // the program has a keyboard to play with (--keyboard)
};

class SessionCommandLine {
public:
    // Adds the shared options to parser: --computer, --keyboard, --host,
    // --join, --port, --code, --seat, --port-mapping and --no-port-mapping.
    // A program without a keyboard hides --keyboard from its help and
    // refuses it.
    SessionCommandLine(QCommandLineParser& parser, const SessionDefaults& defaults);

    // Reads the shared options from parser, once it has parsed the command
    // line; link, when not empty, is a join link given without --join. False
    // with the reason in English, and for a join link that cannot be read its
    // problem too, for a program that words it in the person's language.
    bool read(const QCommandLineParser& parser, const QString& link, SessionOptions* options, std::string* error,
              JoinLinkProblem* linkProblem = nullptr) const;

private:
    bool readJoin(const QCommandLineParser& parser, const std::string& where, SessionOptions* options,
                  std::string* error, JoinLinkProblem* linkProblem) const;

    SessionDefaults defaults_;
    QCommandLineOption computer_, keyboard_, host_, join_, port_, code_, seat_, portMapping_, noPortMapping_;
};

}  // namespace korvalo
