#include "process/termination.h"

#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <csignal>
#include <utility>
#include <vector>
#include <sys/socket.h>
#include <unistd.h>

namespace korvalo::process {

namespace {

constexpr int caught[] = {SIGTERM, SIGHUP, SIGINT};

// The handler writes to one end, the event loop reads the other. Neither end
// blocks: a full buffer already holds a signal that is still to be handled.
int signalPipe[2] = {-1, -1};

void onSignal(int number)
{
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

void handleSignals(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : caught)
        sigaction(number, &action, nullptr);
}

QPointer<QSocketNotifier>& notifier()
{
    static QPointer<QSocketNotifier> current;
    return current;
}

std::vector<std::pair<QPointer<QObject>, std::function<void()>>>& lastActions()
{
    static std::vector<std::pair<QPointer<QObject>, std::function<void()>>> actions;
    return actions;
}

}  // namespace

void onTerminationSignal(QObject* owner, std::function<void(int)> react)
{
    if (signalPipe[0] < 0 &&
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0)
        return;
    delete notifier().data();
    auto* reader = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, owner);
    notifier() = reader;
    QObject::connect(reader, &QSocketNotifier::activated, owner, [react = std::move(react)] {
        unsigned char byte = 0;
        if (::read(signalPipe[1], &byte, 1) == 1)
            react(byte);
    });
    // Nothing reads the pipe once the owner is gone: the signals end the
    // program by themselves again.
    QObject::connect(reader, &QObject::destroyed, [] {
        if (!notifier())
            handleSignals(SIG_DFL);
    });
    handleSignals(onSignal);
}

void beforeEndBySignal(QObject* owner, std::function<void()> action)
{
    lastActions().emplace_back(owner, std::move(action));
}

void endBySignal(int number)
{
    for (auto& [owner, action] : lastActions())
        if (owner)
            action();
    std::signal(number, SIG_DFL);
    std::raise(number);
}

}  // namespace korvalo::process
