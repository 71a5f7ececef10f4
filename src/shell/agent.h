#pragma once
#include <QObject>
#include <QTimer>

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "comms/command_buffers.h"
#include "comms/mailbox_host.h"
#include "comms/msg_form.h"
#include "comms/receive_queue.h"
#include "comms/shared_block.h"
#include "comms/tsockets.h"
#include "core/agent_context.h"
#include "core/agent_host.h"
#include "core/clock.h"
#include "core/mailbox_protocol.h"
#include "schedule/batch_control.h"
#include "schedule/interval_reprocessing.h"
#include "shell/service_notifier.h"
#include "shell/status_window.h"

namespace kx {

namespace db {
class Database;
struct Login;
}  // namespace db
class ConsoleMirror;

struct AgentOptions {
    std::filesystem::path home;
    bool serverMode = false;
    bool headless = false;
    std::string mailboxName = kDefaultMailboxName;
    std::optional<unsigned> mailboxGroup;  // the group that shares the block with this user
    ConsoleMirror* mirror = nullptr;       // headless: where messages and progress are mirrored
};

// The running agent: its context, database, control mailbox, status window and
// timers. The status window's creation step is FormCreate (the start-up
// sequence); its close runs FormCloseQuery and FormClose.
class Agent final : public QObject,
                    public AgentHost,
                    public MailboxHost,
                    public StatusWindowOwner,
                    public BatchControl,
                    public ConnectionsHost,
                    public SocketDialogs {
public:
    static constexpr int kMailboxIntervalMs = 50;
    static constexpr int kIntervalTimerMs = 330;
    static constexpr int kAutoProcessDelayMs = 10000;
    static constexpr int kRangeTimerMs = 1;

    // clock: every "current time" of the agent; the system clock when null.
    explicit Agent(AgentOptions options, const Clock* clock = nullptr);
    ~Agent() override;
    Agent(const Agent&) = delete;
    Agent& operator=(const Agent&) = delete;

    // A deferred batch fired again runs this soon after the running one ended.
    static constexpr int kRefireDelayMs = 1;

    // The start-up sequence. False when it was aborted (the database could not be
    // opened, or the work areas not allocated): the program then ends.
    bool FormCreate();
    bool StartupAborted() const { return startupAborted_; }
    // The controller-connections window, created once the main window stands.
    void CreateControllerConnections();

    // After an aborted start: release what start-up took and write the final log line.
    void EndAfterAbortedStart();

    // A close requested from outside the window, like the mailbox "END": no question.
    void CloseLikeEnd();
    bool Closed() const { return closed_; }

    AgentContext& Context() { return ctx_; }
    StatusWindow& Window() { return *window_; }
    SharedBlock& Mailbox() { return block_; }
    CommandBuffers& Commands() { return commandBuffers_; }
    ReceiveQueue& Packets() { return receiveQueue_; }
    // The "TRP" requests not yet run, oldest first.
    const std::deque<std::string>& TRPRequests() const { return trpRequests_; }
    const QTimer& MailboxTimer() const { return mailboxTimer_; }
    const QTimer& IntervalTimer() const { return intervalTimer_; }
    const QTimer& AutoProcessTimer() const { return autoProcessTimer_; }
    const QTimer& RangeTimer() const { return rangeTimer_; }

    // Timer handlers.
    void Timer1Timer();         // the mailbox tick
    void OnIntervalTimer();     // interval and daily reprocessing
    void OnAutoProcessTimer();  // the daily auto-process, once after start
    void OnRangeTimer();        // a range reprocessing asked for by "TRP"

    // AgentHost, MailboxHost and StatusWindowOwner.
    void SetGradBar(int value) override;
    void MemoAdd(std::string_view text) override;
    void ProcessEvents() override;
    std::string ApplicationTitle() const override { return applicationTitle_; }
    void SetApplicationTitle(std::string title) override;
    void SendMFThis(std::string_view text) override;
    void ShowNormalIcon() override;

    void CloseMainWindow() override;
    void RestoreMainWindow() override;
    // Every request is kept: one that arrives while a batch runs waits in turn.
    void StoreTRPRequest(const std::string& request) override { trpRequests_.push_back(request); }
    void StartRangeTimer() override { rangeTimer_.start(); }
    bool TakePacket(std::string& packet) override { return receiveQueue_.TakePacket(packet); }
    std::string FormatClockData(const std::string& packet) override;
    void SendThisMessage(const std::string& text) override;
    bool Fep1Defined() const override;
    bool Fep1Connected() const override;
    void StopFep1PollTask() override;
    void ConnectFep1() override;

    // ConnectionsHost and SocketDialogs.
    void SetMessageAreaColour(MessageColour colour) override;
    void ShowSocketBox(const std::string& caption, const std::string& text, bool endsProgram) override;
    // The controller connections, once created.
    TMsgForm* Connections() { return msgForm_.get(); }

    void ResetLastAutoProcessDate() override;
    bool MainWindowMayClose() override;

    // BatchControl.
    void StopMailboxTimer() override { mailboxTimer_.stop(); }
    void StartMailboxTimer() override;
    void RefireBatch(BatchKind kind) override;

private:
    // Marks a handler on the stack. A batch inside it lets the event loop run, so
    // a close or a settings write that arrives meanwhile waits until the
    // outermost handler has returned.
    class HandlerScope {
    public:
        explicit HandlerScope(Agent& agent) : agent_(agent) { ++agent_.handlerDepth_; }
        ~HandlerScope();
        HandlerScope(const HandlerScope&) = delete;
        HandlerScope& operator=(const HandlerScope&) = delete;

    private:
        Agent& agent_;
    };

    void RunStartupSteps();
    void ResetProcessState();
    void ApplySkinSetting();
    bool OpenDatabase();
    bool AllocateWorkAreas();
    void ArmTimers();

    bool FormCloseQuery();
    void FormClose();
    void CloseControllerConnections();
    void AfterHandlers();

    std::unique_ptr<SystemClock> systemClock_;
    AgentOptions options_;
    AgentContext ctx_;
    std::unique_ptr<db::Database> database_;
    SharedBlock block_;
    CommandBuffers commandBuffers_;
    ReceiveQueue receiveQueue_;
    std::unique_ptr<TMsgForm> msgForm_;
    std::deque<std::string> trpRequests_;
    std::string applicationTitle_;

    QTimer mailboxTimer_;
    QTimer intervalTimer_;
    QTimer autoProcessTimer_;
    QTimer rangeTimer_;
    IntervalReprocessing intervalReprocessing_;  // the runs it still owes
    ServiceNotifier notifier_;
    std::unique_ptr<StatusWindow> window_;

    bool startupAborted_ = false;
    int handlerDepth_ = 0;
    bool closeAllowed_ = false;   // the close question was answered, or not needed
    bool closeDeferred_ = false;  // allowed while a handler ran; done when it returns
    bool aapResetDeferred_ = false;
    bool closed_ = false;
};

}  // namespace kx
