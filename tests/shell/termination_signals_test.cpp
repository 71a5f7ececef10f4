#include "shell/termination_signals.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <csignal>
#include <vector>

#include "qt_test_app.h"

namespace kx {
namespace {

TEST(TerminationSignalsTest, SignalIsServedOnTheEventLoop) {
    test::TestApplication();
    BlockTerminationSignals();
    std::vector<int> received;
    {
        TerminationSignals notifier([&](int number) { received.push_back(number); });
        ASSERT_TRUE(notifier.Active());
        raise(SIGTERM);
        raise(SIGINT);
        EXPECT_TRUE(received.empty()) << "nothing runs inside the signal";
        for (int i = 0; i < 100 && received.size() < 2; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    EXPECT_EQ(received, (std::vector<int>{SIGINT, SIGTERM}));
}

}  // namespace
}  // namespace kx
