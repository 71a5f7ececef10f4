#include "comms/hand_over.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>

#include <cstdint>
#include <stdexcept>

namespace kx {

void TaskSignal::RequestStop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    cv_.notify_all();
}

bool TaskSignal::StopRequested() const {
    std::lock_guard lock(mutex_);
    return stop_;
}

void TaskSignal::Wake() {
    { std::lock_guard lock(mutex_); }  // a waiter between its test and its wait hears this
    cv_.notify_all();
}

struct HandOverQueue::Step {
    enum class State { Queued, Running, Done, Dropped };
    std::shared_ptr<TaskSignal> signal;
    std::function<void()> run;
    State state = State::Queued;  // guarded by signal->mutex_
};

HandOverQueue::HandOverQueue() : owner_(std::this_thread::get_id()) {
    eventFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (eventFd_ < 0) throw std::runtime_error("no eventfd for the poll tasks' hand-over");
    notifier_ = std::make_unique<QSocketNotifier>(eventFd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Drain(); });
}

HandOverQueue::~HandOverQueue() {
    notifier_.reset();
    close(eventFd_);
}

void HandOverQueue::Post(std::shared_ptr<Step> step) {
    {
        std::lock_guard lock(mutex_);
        steps_.push_back(std::move(step));
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(eventFd_, &one, sizeof one);
}

void HandOverQueue::Drain() {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = read(eventFd_, &count, sizeof count);
    std::deque<std::shared_ptr<Step>> due;
    {
        std::lock_guard lock(mutex_);
        due.swap(steps_);
    }
    for (const std::shared_ptr<Step>& step : due) {
        TaskSignal& signal = *step->signal;
        {
            std::lock_guard lock(signal.mutex_);
            if (step->state == Step::State::Dropped) continue;
            step->state = Step::State::Running;
        }
        step->run();
        {
            std::lock_guard lock(signal.mutex_);
            step->state = Step::State::Done;
        }
        signal.cv_.notify_all();
    }
}

bool RunOnMainThread(HandOverQueue& queue, const std::shared_ptr<TaskSignal>& signal, std::function<void()> step) {
    if (queue.OnOwnerThread()) {
        if (signal->StopRequested()) return false;
        step();
        return true;
    }
    auto handed = std::make_shared<HandOverQueue::Step>();
    handed->signal = signal;
    handed->run = std::move(step);
    using State = HandOverQueue::Step::State;
    {
        std::lock_guard lock(signal->mutex_);
        if (signal->stop_) return false;
    }
    queue.Post(handed);

    std::unique_lock lock(signal->mutex_);
    signal->cv_.wait(lock,
                     [&] { return handed->state == State::Done || (signal->stop_ && handed->state == State::Queued); });
    if (handed->state == State::Done) return true;
    handed->state = State::Dropped;
    return false;
}

}  // namespace kx
