#pragma once
#include <QCoreApplication>

#include <chrono>
#include <functional>
#include <thread>

#include "support/qt_application.h"

namespace kx::test {

// For the tests that need an event loop (socket notifiers).
inline QCoreApplication& TestCoreApplication() { return OneApplication<QCoreApplication>(); }

// Runs the event loop until done() holds or the time is up; returns done().
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(3)) {
    TestCoreApplication();
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

inline void PumpFor(std::chrono::milliseconds time) {
    PumpUntil([] { return false; }, time);
}

}  // namespace kx::test
