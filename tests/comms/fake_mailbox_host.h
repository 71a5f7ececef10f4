#pragma once
#include <functional>
#include <string>
#include <vector>

#include "comms/mailbox_host.h"
#include "comms/receive_queue.h"

namespace kx::test {

// Records what a tick asked of the shell, one line per call.
class FakeMailboxHost : public MailboxHost {
public:
    void CloseMainWindow() override { calls.push_back("CloseMainWindow"); }
    void RestoreMainWindow() override { calls.push_back("RestoreMainWindow"); }
    void SetGradBar(int value) override { calls.push_back("SetGradBar " + std::to_string(value)); }
    void MemoAdd(std::string_view text) override { calls.push_back("MemoAdd " + std::string(text)); }
    void ProcessEvents() override { ++processEvents; }
    void StoreTRPRequest(const std::string& request) override {
        trpRequest = request;
        calls.push_back("StoreTRPRequest");
    }
    void StartRangeTimer() override { calls.push_back("StartRangeTimer"); }
    bool TakePacket(std::string& packet) override { return queue.TakePacket(packet); }
    std::string FormatClockData(const std::string& packet) override {
        calls.push_back("FormatClockData " + packet);
        return formatClockData(packet);
    }
    void SendThisMessage(const std::string& text) override { calls.push_back("SendThisMessage " + text); }
    bool Fep1Defined() const override { return fep1Defined; }
    bool Fep1Connected() const override { return fep1Connected; }
    void StopFep1PollTask() override { calls.push_back("StopFep1PollTask"); }
    void ConnectFep1() override {
        calls.push_back("ConnectFep1 after " + std::to_string(processEvents) + " event rounds");
    }

    std::vector<std::string> calls;
    int processEvents = 0;
    std::string trpRequest;
    ReceiveQueue queue;
    std::function<std::string(const std::string&)> formatClockData = [](const std::string& p) { return "REC" + p; };
    bool fep1Defined = false;
    bool fep1Connected = false;
};

}  // namespace kx::test
