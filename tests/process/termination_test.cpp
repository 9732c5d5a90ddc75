#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <QTimer>
#include <csignal>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

#include "process/termination.h"

namespace korvalo {
namespace {

// Runs body in a child process of its own; its wait status.
template <typename Body>
int inChild(Body body)
{
    const pid_t child = fork();
    if (child == 0) {
        int argc = 1;
        char name[] = "termination_test";
        char* argv[] = {name, nullptr};
        QCoreApplication application(argc, argv);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

TEST(Termination, TheEventLoopHearsTheSignalWhileItsOwnerLives)
{
    const int status = inChild([] {
        QObject owner;
        int heard = 0;
        process::onTerminationSignal(&owner, [&heard](int number) {
            heard = number;
            QCoreApplication::quit();
        });
        QTimer::singleShot(0, [] { std::raise(SIGTERM); });
        QTimer::singleShot(20000, [] { QCoreApplication::exit(1); });
        QCoreApplication::exec();
        return heard == SIGTERM ? 0 : 1;
    });
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(Termination, OnceTheOwnerIsGoneTheSignalEndsTheProgramAgain)
{
    const int status = inChild([] {
        auto owner = std::make_unique<QObject>();
        bool removed = false;
        process::beforeEndBySignal(owner.get(), [&removed] { removed = true; });
        process::onTerminationSignal(owner.get(), process::endBySignal);
        owner.reset();
        std::raise(SIGINT);
        return removed ? 3 : 2;  // neither: the signal ended the child
    });
    ASSERT_TRUE(WIFSIGNALED(status)) << "exited with " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGINT);
}

}  // namespace
}  // namespace korvalo
