// SIGTERM and SIGINT in a program without a window: the mapping is removed
// from the event loop, then the signal ends the program as it would have.
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include "net/port_mapping.h"

namespace korvalo::net {

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int number)
{
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

}  // namespace

void removeOnTerminationSignal(PortMapping& mapping)
{
    if (signalPipe[0] >= 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &mapping);
    QObject::connect(notifier, &QSocketNotifier::activated, &mapping, [&mapping] {
        unsigned char byte = 0;
        if (::read(signalPipe[1], &byte, 1) != 1)
            return;
        mapping.remove();
        std::signal(byte, SIG_DFL);
        std::raise(byte);
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

}  // namespace korvalo::net
