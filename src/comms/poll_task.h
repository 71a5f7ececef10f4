#pragma once
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

namespace kx {

class HandOverQueue;
class TaskSignal;

// What a poll task reaches of its FEP. The first group is read from the poll
// thread directly; the steps of the second group touch a connection, a command
// buffer, a reply flag or a receive buffer and run only on the main thread,
// through the task's hand-over.
class PollLink {
public:
    virtual ~PollLink() = default;

    virtual bool FepDefined(int n) const = 0;
    virtual bool FepConnected(int n) const = 0;
    virtual bool ReplyPending(int n) const = 0;
    virtual bool CommandWaiting(int n) const = 0;
    // A consistent copy of the receive buffer.
    virtual std::string ReceivedCopy(int n) const = 0;
    // The reply has been read: its first byte becomes NUL, which empties the text.
    virtual void ClearReceived(int n) = 0;
    virtual void PutPacket(std::string packet) = 0;
    // No room for more packets without dropping one.
    virtual bool ReceiveQueueFull() const = 0;

    virtual void TakeCommand(int n, std::string& command) = 0;
    virtual void ClearReceiveBuffer(int n) = 0;
    virtual void SetReplyPending(int n, bool pending) = 0;
    virtual void SendCommand(int n, const std::string& text) = 0;
};

// The conversation with one FEP on a thread of its own: the oldest queued
// command, or the poll message when nothing is queued, then up to 2 s for the
// reply, whose packet goes to the receive queue, then a short pause. A command
// that gets no reply, or a negative one, gets a second window in which nothing
// is sent. While the receive queue is full nothing is polled, so clockings wait
// in the controller instead of pushing older ones out. Starts running at construction; the destructor asks it to stop
// and joins it. Every wait ends early on a stop request, and the reply wait also on Wake (the main thread calls it when
// the reply flag is cleared).
class TPollTask {
public:
    static constexpr int kReplyWaits = 20;
    static constexpr std::chrono::milliseconds kReplyWait{100};
    static constexpr int kPauseWaits = 5;
    static constexpr std::chrono::milliseconds kPauseWait{10};
    static constexpr std::chrono::milliseconds kIdleWait{100};  // between checks while the FEP is down

    TPollTask(int fepNo, PollLink& link, HandOverQueue& handOver);
    ~TPollTask();
    TPollTask(const TPollTask&) = delete;
    TPollTask& operator=(const TPollTask&) = delete;

    int FepNo() const { return fepNo_; }
    void RequestStop();
    void Wake();
    bool Finished() const { return finished_.load(); }

private:
    void Execute();
    bool Turn();  // one pass of the loop; false when the task is to end
    bool SendTurn();
    bool WaitForReply();
    void TakeReply();
    bool ShortPause();
    template <class Step>
    bool HandOver(Step step);

    const int fepNo_;
    PollLink& link_;
    HandOverQueue& handOver_;
    std::shared_ptr<TaskSignal> signal_;

    int countdown_ = 0;
    bool extraWait_ = false;
    std::string sendText_;
    std::string command_;
    std::string lastCommand_;

    std::atomic<bool> finished_{false};
    std::thread thread_;
};

}  // namespace kx
