#pragma once
#include <string>
#include <string_view>

namespace kx {

// What a mailbox tick needs from the agent's shell: its window, its timers, the
// receive queue with the on-the-fly processing, and the connection to FEP 1.
class MailboxHost {
public:
    virtual ~MailboxHost() = default;

    // "END": close the main window without asking (the END-received flag is already set).
    virtual void CloseMainWindow() = 0;
    // "WNM": bring the main window back to its normal, not minimised, state.
    virtual void RestoreMainWindow() = 0;
    virtual void SetGradBar(int value) = 0;
    virtual void MemoAdd(std::string_view text) = 0;
    virtual void ProcessEvents() = 0;

    // "TRP": keep the whole request for the range run, then start the 1 ms range timer.
    virtual void StoreTRPRequest(const std::string& request) = 0;
    virtual void StartRangeTimer() = 0;

    // "OLD": the oldest packet of the receive queue (false when it is empty), and
    // the on-line record made of it (possibly empty).
    virtual bool TakePacket(std::string& packet) = 0;
    virtual std::string FormatClockData(const std::string& packet) = 0;

    // "CMD": queue a text for FEP 1, the message server.
    virtual void SendThisMessage(const std::string& text) = 0;

    // Keeping FEP 1 connected.
    virtual bool Fep1Defined() const = 0;
    virtual bool Fep1Connected() const = 0;
    virtual void StopFep1PollTask() = 0;
    // Connects FEP 1 again; reports in the status window and starts a new poll task on success.
    virtual void ConnectFep1() = 0;
};

}  // namespace kx
