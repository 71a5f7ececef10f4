#include "shell/service_notifier.h"

#include <systemd/sd-daemon.h>

namespace kx {

ServiceNotifier::ServiceNotifier() {
    std::uint64_t period = 0;
    // Only this process is meant when WATCHDOG_PID is set; the variables stay for child processes (none).
    if (sd_watchdog_enabled(0, &period) > 0 && period > 0) kickEvery_ = std::chrono::microseconds(period / 4);
}

void ServiceNotifier::Send(const std::string& state) const {
    sd_notify(0, state.c_str());  // a failed report must not disturb the agent
}

void ServiceNotifier::Ready() {
    if (ready_) return;
    ready_ = true;
    status_ = "Ready";
    Send("READY=1\nSTATUS=Ready");
}

void ServiceNotifier::Status(std::string_view text) {
    if (text == status_) return;
    status_ = text;
    std::string shown(text);
    for (char& c : shown)
        if (c == '\n' || c == '\r') c = ' ';  // one assignment a line
    Send("STATUS=" + shown);
}

void ServiceNotifier::Alive(SteadyTime now) {
    if (!kickEvery_) return;
    if (lastKick_ && now - *lastKick_ < *kickEvery_) return;
    lastKick_ = now;
    Send("WATCHDOG=1");
}

void ServiceNotifier::Stopping() {
    if (stopping_) return;
    stopping_ = true;
    Send("STOPPING=1\nSTATUS=Stopping");
}

std::string ServiceNotifier::ProgressText(int value, std::string_view batch) {
    if (value == 0) return "Ready";
    const std::string what = batch.empty() ? std::string("In progress") : std::string(batch);
    if (value == 999) return what + ": busy";
    return what + ": " + std::to_string(value) + " %";
}

}  // namespace kx
