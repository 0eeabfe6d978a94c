#include "platform/TerminationSignals.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <csignal>

namespace tavuro {
namespace {

void (*HandlerOf(int signal))(int) {
    struct sigaction current {};
    sigaction(signal, nullptr, &current);
    return current.sa_handler;
}

TEST(TerminationSignals, ASignalReachesTheEventLoopOnceThenTakesItsDefaultAction) {
    std::vector<int> received;
    {
        TTerminationSignals handled;
        handled.OnSignal = [&received](int signal) { received.push_back(signal); };
        raise(SIGTERM);
        raise(SIGHUP);
        QCoreApplication::processEvents();
        EXPECT_EQ(received, std::vector<int>{SIGTERM}) << "called once, with the first signal";
        EXPECT_EQ(HandlerOf(SIGINT), SIG_DFL) << "a second signal ends the program at once";
    }
    EXPECT_EQ(HandlerOf(SIGTERM), SIG_DFL);
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
