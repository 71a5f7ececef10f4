#pragma once
#include <string>
#include <utility>
#include <vector>

namespace kx {

// One decision taken while a staff-day is computed, told so that a person can
// follow the day: which step took it, what was decided and why in plain words,
// and the values it rested on (name and value, in the order they matter).
struct TraceEvent {
    std::string step;  // "staff", "day", "shift", "clockings", "choice", "lateness", "work", "overtime", "result"
    std::string text;
    std::vector<std::pair<std::string, std::string>> facts;
};

// Where the events go (an account of one day); the batches set none.
class TraceSink {
public:
    virtual ~TraceSink() = default;
    virtual void Record(TraceEvent event) = 0;
};

// The trace of the context. Without a sink nothing is built: the decision
// points test On() before they put an event together, so a batch pays one
// test per decision and nothing more.
class StaffDayTrace {
public:
    using Facts = std::vector<std::pair<std::string, std::string>>;

    bool On() const { return sink_ != nullptr; }
    void SetSink(TraceSink* sink) { sink_ = sink; }
    void Record(std::string step, std::string text, Facts facts = {}) const {
        if (sink_) sink_->Record(TraceEvent{std::move(step), std::move(text), std::move(facts)});
    }

private:
    TraceSink* sink_ = nullptr;
};

}  // namespace kx
