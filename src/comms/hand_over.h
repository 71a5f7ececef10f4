#pragma once
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class QSocketNotifier;

namespace kx {
class HandOverQueue;
}

namespace kx {

// What a worker thread waits on: its stop request, and the changes the main
// thread tells it of with Wake (a reply arrived, a step it handed over is done).
// Shared with the steps it hands over, so a step that outlives its task finds it.
class TaskSignal {
public:
    void RequestStop();
    bool StopRequested() const;
    // Something the task may be waiting for has changed.
    void Wake();

    // Waits up to `limit` for `done` to hold; false when a stop was requested.
    template <class Done>
    bool WaitFor(std::chrono::milliseconds limit, Done done) {
        std::unique_lock lock(mutex_);
        cv_.wait_for(lock, limit, [&] { return stop_ || done(); });
        return !stop_;
    }
    bool SleepFor(std::chrono::milliseconds limit) {
        return WaitFor(limit, [] { return false; });
    }

private:
    friend class HandOverQueue;
    friend bool RunOnMainThread(HandOverQueue& queue, const std::shared_ptr<TaskSignal>& signal,
                                std::function<void()> step);
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool stop_ = false;
};

// The steps that worker threads hand to the event-loop thread. Made on that
// thread; an eventfd read by the event loop says that steps wait. The steps
// travel under a mutex of our own rather than through the toolkit's event
// queue, so every hand-over is visible to the thread sanitizer.
class HandOverQueue {
public:
    HandOverQueue();
    ~HandOverQueue();  // steps still queued are dropped
    HandOverQueue(const HandOverQueue&) = delete;
    HandOverQueue& operator=(const HandOverQueue&) = delete;

    bool OnOwnerThread() const { return std::this_thread::get_id() == owner_; }
    // Runs what waits now (the event loop does so by itself).
    void Drain();

    struct Step;

private:
    friend bool RunOnMainThread(HandOverQueue& queue, const std::shared_ptr<TaskSignal>& signal,
                                std::function<void()> step);
    void Post(std::shared_ptr<Step> step);

    std::thread::id owner_;
    int eventFd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::mutex mutex_;
    std::deque<std::shared_ptr<Step>> steps_;
};

// The blocking hand-over: runs `step` on the queue's thread (the event loop's)
// and waits until it has run. A step that has not started when a stop is
// requested is dropped and the call answers false, so a closing main thread that
// waits for its workers never waits on a worker that waits for it. Called on the
// queue's own thread, the step runs at once.
bool RunOnMainThread(HandOverQueue& queue, const std::shared_ptr<TaskSignal>& signal, std::function<void()> step);

}  // namespace kx
