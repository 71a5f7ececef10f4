#pragma once
#include "comms/hand_over.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "comms/fep_table.h"
#include "comms/poll_task.h"
#include "comms/tsockets.h"

namespace kx {

struct AgentContext;
class CommandBuffers;
class ReceiveQueue;

// What the controller connections need from the agent's shell.
class ConnectionsHost {
public:
    enum class MessageColour { White, Red };
    virtual ~ConnectionsHost() = default;
    virtual void MemoAdd(std::string_view text) = 0;
    virtual void SetMessageAreaColour(MessageColour colour) = 0;
    virtual void ProcessEvents() = 0;
};

// The controller connections: the FEP table loaded from M_Server, one socket
// per FEP 1 to 8, and a poll task for each FEP whose connection came up. Every
// handler runs on the main thread; the poll tasks reach the connections, the
// command buffers and the reply flags only through their hand-over.
class TMsgForm final : public PollLink {
public:
    TMsgForm(AgentContext& ctx, CommandBuffers& commands, ReceiveQueue& packets, ConnectionsHost& host,
             SocketDialogs& dialogs);
    ~TMsgForm() override;  // FormClose when it has not run
    TMsgForm(const TMsgForm&) = delete;
    TMsgForm& operator=(const TMsgForm&) = delete;

    // InitCommandBuffers, ConnectIP, SpawnPollingThread.
    void FormCreate();
    // Stops the poll tasks (waiting for them at most 1 s), then closes the connections.
    void FormClose();

    void ConnectIP();
    void SpawnPollingThread();
    // connect: (re)open FEP n's connection on `socket` and start its poll task
    // when it comes up, reported in the message area; otherwise close it.
    void ConnectTCPIP(TSockets& socket, int n, bool connect);
    // n rounds of five 2 ms sleeps, each followed by one pass over pending events.
    void WaitAndPump(int n);
    void SendThisMessage(const std::string& text);

    FepTable& Feps() { return feps_; }
    const FepTable& Feps() const { return feps_; }
    TSockets& Connection(int n);
    bool PollTaskRunning(int n) const;
    void StopPollTask(int n);

    static constexpr const char* kNetCompLog = "NetComp.log";

private:
    // PollLink
    bool FepDefined(int n) const override { return feps_[n].Defined; }
    bool FepConnected(int n) const override { return feps_[n].Connected; }
    bool ReplyPending(int n) const override { return feps_.Reply(n).ReplyPending(); }
    bool CommandWaiting(int n) const override;
    std::string ReceivedCopy(int n) const override { return feps_.Reply(n).Received(); }
    void ClearReceived(int n) override { feps_.Reply(n).ClearBuffer(); }
    void PutPacket(std::string packet) override;
    bool ReceiveQueueFull() const override;
    void TakeCommand(int n, std::string& command) override;
    void ClearReceiveBuffer(int n) override { feps_.Reply(n).ClearBuffer(); }
    void SetReplyPending(int n, bool pending) override { feps_.Reply(n).SetReplyPending(pending); }
    void SendCommand(int n, const std::string& text) override;

    void BindHandlers(TSockets& socket, int n);
    void OnConnected(int n);
    void SocketProcessData(TSockets& socket, int socketHandle, int n);
    void OnClosed(TSockets& socket, int socketHandle);
    void SocketErrorHandler(int n, int error, const std::string& msg);
    void ClearReplyPending(int n);
    void LoadFep(const std::string& unitText);
    void StartConnecting(TSockets& socket, int n, const char* tag);
    void StartPollTask(int n);
    void ReapRetiredTasks();
    std::string FepLine(int n) const;
    void WriteNetCompLog(std::string_view line) const;

    AgentContext& ctx_;
    CommandBuffers& commands_;
    ReceiveQueue& packets_;
    ConnectionsHost& host_;
    HandOverQueue handOver_;  // the poll tasks' steps run on the main thread through it
    FepTable feps_;
    std::array<std::unique_ptr<TSockets>, FepTable::kConnectionCount> connections_;
    std::array<std::unique_ptr<TPollTask>, FepTable::kFepCount> pollTasks_;
    std::vector<std::unique_ptr<TPollTask>> retiredTasks_;  // asked to stop, not yet ended
    std::array<int, FepTable::kConnectionCount> lastLoggedError_{};
    bool closed_ = false;
};

}  // namespace kx
