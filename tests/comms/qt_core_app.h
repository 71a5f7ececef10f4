#pragma once
#include <QCoreApplication>

#include <chrono>
#include <functional>
#include <thread>

namespace kx::test {

// One application object for the whole test program, for the tests that need
// an event loop (socket notifiers); reuses one made elsewhere.
inline QCoreApplication& TestCoreApplication()
{
    static int argc = 1;
    static char name[] = "kx_tests_comms";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = [] {
        if (QCoreApplication* existing = QCoreApplication::instance()) return existing;
        return new QCoreApplication(argc, argv);  // lives until the program ends
    }();
    return *app;
}

// Runs the event loop until done() holds or the time is up; returns done().
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(3))
{
    TestCoreApplication();
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

inline void PumpFor(std::chrono::milliseconds time)
{
    PumpUntil([] { return false; }, time);
}

}  // namespace kx::test
