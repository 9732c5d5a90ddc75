#include "script/session_options.h"

#include <algorithm>

#include "script/command_line.h"

namespace korvalo {

std::string SessionOptions::where() const
{
    const bool ipv6 = host.find(':') != std::string::npos;
    return (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

SessionCommandLine::SessionCommandLine(QCommandLineParser& parser, const SessionDefaults& defaults)
    : defaults_(defaults),
      computer_(computerOption()),
      keyboard_(QStringLiteral("keyboard"),
                QStringLiteral("Play with the keyboard too: the arrow keys, a column letter and a row digit move "
                               "the cursor square, Enter or Space plays it.")),
      host_(QStringLiteral("host"), QStringLiteral("Host a network game.")),
      join_(QStringLiteral("join"),
            defaults.asksThePerson
                ? QStringLiteral("Join a network game (the host's address and port, or - to look on the local "
                                 "network), or by a korvalo:// link.")
                : QStringLiteral("Join the network game at <host[:port]>, or by a korvalo:// link."),
            QStringLiteral("host[:port]")),
      port_(QStringLiteral("port"),
            QStringLiteral("Host on <port> (%1 unless given; 0: a free port the system chooses).").arg(defaults.port),
            QStringLiteral("port")),
      code_(QStringLiteral("code"), QStringLiteral("The network game's join code."), QStringLiteral("code")),
      seat_(QStringLiteral("seat"),
            QStringLiteral("Ask for <colour> in a network game (black, blue, white, red), or only to watch (watch)."),
            QStringLiteral("colour")),
      portMapping_(QStringLiteral("port-mapping"),
                   QStringLiteral("Host asking the router to forward the port from the internet%1.")
                       .arg(defaults.portMapping ? QStringLiteral(" (the default)") : QString())),
      noPortMapping_(QStringLiteral("no-port-mapping"),
                     QStringLiteral("Host without asking the router to forward the port%1.")
                         .arg(defaults.portMapping ? QString() : QStringLiteral(" (the default)")))
{
    if (!defaults.hasKeyboard)
        keyboard_.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({computer_, keyboard_, host_, join_, port_, code_, seat_, portMapping_, noPortMapping_});
}

bool SessionCommandLine::read(const QCommandLineParser& parser, const QString& link, SessionOptions* options,
                              std::string* error, JoinLinkProblem* linkProblem) const
{
    *options = SessionOptions();
    options->port = defaults_.port;
    if (!readComputerOption(parser, computer_, &options->computerLevel, error))
        return false;
    if (parser.isSet(keyboard_) && !defaults_.hasKeyboard) {
        *error = "--keyboard plays in the window; a script has no keyboard";
        return false;
    }
    options->keyboard = parser.isSet(keyboard_);
    const bool joining = parser.isSet(join_) || !link.isEmpty();
    if (parser.isSet(host_) && joining) {
        *error = "--host and --join do not go together";
        return false;
    }
    if (parser.isSet(host_)) {
        options->role = SessionOptions::Role::Host;
        if (parser.isSet(port_)) {
            // 0 lets the system choose a free port, which the host then says.
            bool number = false;
            options->port = parser.value(port_).toInt(&number);
            if (!number || options->port < 0 || options->port > 65535) {
                *error = "--port needs a port number";
                return false;
            }
        }
    }
    for (const QCommandLineOption* mapping : {&portMapping_, &noPortMapping_})
        if (parser.isSet(*mapping) && !parser.isSet(host_)) {
            *error = "--" + mapping->names().front().toStdString() + " goes with --host";
            return false;
        }
    if (parser.isSet(portMapping_) && parser.isSet(noPortMapping_)) {
        *error = "--port-mapping and --no-port-mapping do not go together";
        return false;
    }
    options->portMapping =
        parser.isSet(host_) && !parser.isSet(noPortMapping_) && (defaults_.portMapping || parser.isSet(portMapping_));
    if (joining && !readJoin(parser, argumentBytes(link.isEmpty() ? parser.value(join_) : link), options, error,
                             linkProblem))
        return false;
    if (!options->fromLink && parser.isSet(code_)) {
        options->code = argumentBytes(parser.value(code_));
        if (std::string problem = joinCodeProblem(options->code); !problem.empty()) {
            *error = std::move(problem);
            return false;
        }
    }
    if (joining && !options->fromLink && options->code.empty() && !defaults_.asksThePerson) {
        *error = "--join needs the game's --code";
        return false;
    }
    return true;
}

bool SessionCommandLine::readJoin(const QCommandLineParser& parser, const std::string& where,
                                  SessionOptions* options, std::string* error, JoinLinkProblem* linkProblem) const
{
    options->role = SessionOptions::Role::Join;
    if (isJoinLink(where)) {
        if (!readJoinLink(where, defaults_.port, &options->host, &options->port, &options->code, error,
                          linkProblem))
            return false;
        if (parser.isSet(code_)) {
            *error = "a join link holds the code: --code does not go with it";
            return false;
        }
        options->fromLink = true;
    } else if (where != "-" || !defaults_.asksThePerson) {
        // HOST[:PORT] is what a link holds before its code, and is read as
        // one: a name or an address, IPv6 in brackets (or bare, without a
        // port), a port from 1 to 65535.
        const bool bareIpv6 = where.find('[') == std::string::npos &&
                              std::count(where.begin(), where.end(), ':') > 1;
        std::string code;
        if (where.empty() || !readJoinLink(std::string(joinLinkScheme) + "://" + (bareIpv6 ? "[" + where + "]" : where) + "/-",
                                           defaults_.port, &options->host, &options->port, &code, error)) {
            *error = defaults_.asksThePerson ? "--join needs HOST, HOST:PORT, - or a korvalo:// link"
                                             : "--join needs HOST, HOST:PORT or a korvalo:// link";
            return false;
        }
    }
    static const char* const colours[] = {"watch", "black", "blue", "white", "red"};
    const std::string asked = argumentBytes(parser.value(seat_));
    const auto colour = std::find(std::begin(colours), std::end(colours), asked);
    if (parser.isSet(seat_) && colour == std::end(colours)) {
        *error = "--seat takes black, blue, white, red or watch";
        return false;
    }
    if (parser.isSet(seat_))
        options->seat = colour == std::begin(colours) ? SessionOptions::watchOnly
                                                      : static_cast<int>(colour - std::begin(colours));
    return true;
}

}  // namespace korvalo
