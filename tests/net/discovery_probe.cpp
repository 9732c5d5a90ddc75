// Announces or looks for games through the discovery code, for the test
// that runs it beside a private Avahi daemon.
//   discovery_probe publish NAME PORT [VERSION]
//       announces, prints "published NAME" (the name in use), and stays until
//       standard input closes or SIGTERM comes
//   discovery_probe find MILLISECONDS
//       prints one line a game found: NAME HOST PORT VERSION
#include "net/discovery.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int wakeFd = -1;

void onTerm(int) {
    const char byte = 0;
    [[maybe_unused]] ssize_t ignored = write(wakeFd, &byte, 1);
}

int usage() {
    std::fprintf(stderr, "usage: discovery_probe publish NAME PORT [VERSION] | find MILLISECONDS\n");
    return 2;
}

int publish(QCoreApplication& app, const QString& name, quint16 port, const QString& version) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return 1;
    wakeFd = fds[1];
    std::signal(SIGTERM, onTerm);
    QSocketNotifier term(fds[0], QSocketNotifier::Read);
    QObject::connect(&term, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0) app.quit();
    });

    korvalo::Announcement announcement;
    QString error;
    if (!announcement.publish(name, port, version, &error)) {
        std::fprintf(stderr, "not published: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("published %s\n", announcement.name().toUtf8().constData());
    std::fflush(stdout);
    app.exec();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool ok = false;
    if (args.size() >= 4 && args.size() <= 5 && args[1] == "publish") {
        const uint port = args[3].toUInt(&ok);
        if (!ok || port > 65535) return usage();
        return publish(app, args[2], quint16(port), args.value(4, QStringLiteral(KORVALO_VERSION)));
    }
    if (args.size() == 3 && args[1] == "find") {
        const int wait = args[2].toInt(&ok);
        if (!ok || wait < 0) return usage();
        QString error;
        const QList<korvalo::FoundGame> games = korvalo::findGames(std::chrono::milliseconds(wait), &error);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "not found: %s\n", qPrintable(error));
            return 1;
        }
        for (const korvalo::FoundGame& game : games)
            std::printf("%s %s %u %s\n", game.name.toUtf8().constData(), game.host.toUtf8().constData(),
                        unsigned(game.port), game.version.toUtf8().constData());
        return 0;
    }
    return usage();
}
