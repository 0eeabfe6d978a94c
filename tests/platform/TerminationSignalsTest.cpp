#include "platform/TerminationSignals.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tavuro {
namespace {

using namespace std::chrono_literals;

void (*HandlerOf(int signal))(int) {
    struct sigaction current {};
    sigaction(signal, nullptr, &current);
    return current.sa_handler;
}

TEST(TerminationSignals, ASignalReachesTheEventLoopOnceAndFurtherOnesAreAbsorbed) {
    std::vector<int> received;
    {
        TTerminationSignals handled;
        handled.OnSignal = [&received](int signal) { received.push_back(signal); };
        raise(SIGTERM);
        QCoreApplication::processEvents();
        // A terminal that closes sends SIGHUP twice; timeout signals the child and its group.
        raise(SIGHUP);
        raise(SIGTERM);
        raise(SIGINT);
        QCoreApplication::processEvents();
        EXPECT_EQ(received, std::vector<int>{SIGTERM}) << "called once, with the first signal";
        EXPECT_NE(HandlerOf(SIGTERM), SIG_DFL) << "a second signal must not end the close";
    }
    EXPECT_EQ(HandlerOf(SIGTERM), SIG_DFL);
}

// How a child that sends itself SIGTERM three times, the third after the given pause, ends.
int StatusAfterThreeSignals(std::chrono::milliseconds pauseBeforeTheThird) {
    TTerminationSignals handled(nullptr, 200ms);
    const pid_t child = fork();
    if (child == 0) {
        raise(SIGTERM);
        raise(SIGTERM);
        std::this_thread::sleep_for(pauseBeforeTheThird);
        raise(SIGTERM);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

TEST(TerminationSignals, OnlyAThirdSignalAfterAHungCloseEndsTheProgram) {
    const int quick = StatusAfterThreeSignals(0ms);
    EXPECT_TRUE(WIFEXITED(quick) && WEXITSTATUS(quick) == 0) << "three at once are absorbed";
    const int late = StatusAfterThreeSignals(400ms);
    EXPECT_TRUE(WIFSIGNALED(late) && WTERMSIG(late) == SIGTERM) << "the close hangs: it ends";
}

TEST(TerminationSignals, ASignalIgnoredAtStartStaysIgnored) {
    std::signal(SIGHUP, SIG_IGN); // as nohup starts a program
    {
        TTerminationSignals handled;
        EXPECT_EQ(HandlerOf(SIGHUP), SIG_IGN);
        EXPECT_NE(HandlerOf(SIGTERM), SIG_DFL);
    }
    std::signal(SIGHUP, SIG_DFL);
}

} // namespace
} // namespace tavuro
