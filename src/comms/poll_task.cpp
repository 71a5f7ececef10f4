#include "comms/poll_task.h"

#include "comms/fep_frames.h"
#include "comms/hand_over.h"

namespace kx {

TPollTask::TPollTask(int fepNo, PollLink& link, HandOverQueue& handOver)
    : fepNo_(fepNo), link_(link), handOver_(handOver), signal_(std::make_shared<TaskSignal>()) {
    thread_ = std::thread([this] { Execute(); });
}

TPollTask::~TPollTask() {
    RequestStop();
    if (thread_.joinable()) thread_.join();
}

void TPollTask::RequestStop() { signal_->RequestStop(); }

void TPollTask::Wake() { signal_->Wake(); }

template <class Step>
bool TPollTask::HandOver(Step step) {
    return RunOnMainThread(handOver_, signal_, std::move(step));
}

void TPollTask::Execute() {
    while (Turn()) {
    }
    finished_ = true;
}

bool TPollTask::Turn() {
    if (signal_->StopRequested()) return false;
    const int n = fepNo_;
    if (!link_.FepDefined(n) || !link_.FepConnected(n)) return signal_->SleepFor(kIdleWait);
    if (!link_.ReplyPending(n)) {
        const bool secondWindow = extraWait_ && !lastCommand_.empty();
        if (!secondWindow && !link_.CommandWaiting(n) && link_.ReceiveQueueFull()) return ShortPause();
        if (!SendTurn()) return false;
    }
    if (!WaitForReply()) return false;
    if (countdown_ == 0) {
        extraWait_ = true;
        if (!HandOver([this] { link_.SetReplyPending(fepNo_, false); })) return false;
    } else {
        TakeReply();
    }
    return ShortPause();
}

// Sends what is due this turn, or nothing in a second reply window.
bool TPollTask::SendTurn() {
    const int n = fepNo_;
    if (extraWait_ && !lastCommand_.empty()) {
        if (!HandOver([this] { link_.ClearReceiveBuffer(fepNo_); })) return false;
        countdown_ = kReplyWaits;
        if (!HandOver([this] { link_.SetReplyPending(fepNo_, true); })) return false;
        extraWait_ = false;
        lastCommand_.clear();
        return true;
    }
    if (link_.CommandWaiting(n)) {
        if (!HandOver([this] { link_.TakeCommand(fepNo_, command_); })) return false;
        lastCommand_ = command_;
        countdown_ = kReplyWaits;
        if (!HandOver([this] { link_.ClearReceiveBuffer(fepNo_); })) return false;
        sendText_ = command_;
    } else {
        if (!HandOver([this] { link_.ClearReceiveBuffer(fepNo_); })) return false;
        countdown_ = kReplyWaits;
        sendText_ = PollMessage();
        lastCommand_.clear();
    }
    if (!HandOver([this] { link_.SetReplyPending(fepNo_, true); })) return false;
    return HandOver([this] { link_.SendCommand(fepNo_, sendText_); });
}

// Up to kReplyWaits waits of kReplyWait; a wait ends as soon as the reply is in.
bool TPollTask::WaitForReply() {
    const int n = fepNo_;
    while (link_.ReplyPending(n) && countdown_ > 0) {
        if (!signal_->WaitFor(kReplyWait, [&] { return !link_.ReplyPending(n); })) return false;
        if (link_.ReplyPending(n)) --countdown_;
    }
    return true;
}

void TPollTask::TakeReply() {
    const std::string reply = link_.ReceivedCopy(fepNo_);
    // A receipt without CR is no reply: the flag was cleared by a failing connection.
    if (ReplyComplete(reply)) {
        FepReply taken = ReadFepReply(reply);
        if (taken.packet) {
            link_.PutPacket(std::move(*taken.packet));
            if (taken.secondWindow) extraWait_ = true;
        }
    }
    command_.clear();
    link_.ClearReceived(fepNo_);
}

bool TPollTask::ShortPause() {
    for (countdown_ = kPauseWaits; countdown_ > 0; --countdown_) {
        if (link_.CommandWaiting(fepNo_)) return true;
        if (!signal_->SleepFor(kPauseWait)) return false;
    }
    return true;
}

}  // namespace kx
