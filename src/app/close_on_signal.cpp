#include "app/close_on_signal.h"

#include <QPointer>
#include <QSocketNotifier>
#include <csignal>
#include <utility>
#include <vector>
#include <sys/socket.h>
#include <unistd.h>

#include "app/main_window.h"

namespace korvalo {

namespace {

// The handler may only write to a descriptor; the event loop reads the other
// end and does the closing. Neither end blocks: a full buffer already holds a
// close that is still to come.
int signalPipe[2] = {-1, -1};

void onSignal(int number)
{
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

std::vector<std::pair<QPointer<QObject>, std::function<void()>>>& lastActions()
{
    static std::vector<std::pair<QPointer<QObject>, std::function<void()>>> actions;
    return actions;
}

void endBySignal(int number)
{
    for (auto& [owner, action] : lastActions())
        if (owner)
            action();
    std::signal(number, SIG_DFL);
    std::raise(number);
}

}  // namespace

void closeOnTerminationSignal(MainWindow* window)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        unsigned char byte = 0;
        if (::read(signalPipe[1], &byte, 1) != 1)
            return;
        window->close();
        if (!window->ended())
            endBySignal(byte);
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

void beforeEndBySignal(QObject* owner, std::function<void()> action)
{
    lastActions().emplace_back(owner, std::move(action));
}

}  // namespace korvalo
