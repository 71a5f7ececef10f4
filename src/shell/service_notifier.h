#pragma once
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace kx {

// The agent's reports to the service manager under systemd (Type=notify),
// through sd_notify. Without NOTIFY_SOCKET in the environment every call does
// nothing, so the agent runs as before outside systemd.
//
//  - Ready(): "READY=1" and "STATUS=Ready" once, when the mailbox is first served;
//  - Status(text): "STATUS=" + text, only when the text changed;
//  - Alive(): "WATCHDOG=1" when the service has a watchdog (WATCHDOG_USEC),
//    at most every quarter of its period, so it may be called from every tick;
//  - Stopping(): "STOPPING=1" once the orderly close has begun.
// All calls come from the event-loop thread.
class ServiceNotifier {
public:
    using SteadyTime = std::chrono::steady_clock::time_point;

    ServiceNotifier();

    void Ready();
    void Status(std::string_view text);
    void Alive(SteadyTime now = std::chrono::steady_clock::now());
    void Stopping();

    // The status text for a SetGradBar value (0 ready, 1 to 100 a percentage,
    // 999 busy) while the named batch runs; an empty name: no batch, a
    // progress set through the mailbox.
    static std::string ProgressText(int value, std::string_view batch);

    bool WatchdogEnabled() const { return kickEvery_.has_value(); }

private:
    void Send(const std::string& state) const;

    bool ready_ = false;
    bool stopping_ = false;
    std::string status_;
    std::optional<std::chrono::microseconds> kickEvery_;
    std::optional<SteadyTime> lastKick_;
};

}  // namespace kx
