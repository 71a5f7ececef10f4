#include "shell/agent.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <exception>

#include "comms/format_clock_data.h"
#include "comms/mailbox_tick.h"
#include "db/database.h"
#include "db/run_sql.h"
#include "schedule/auto_process.h"
#include "schedule/range_reprocessing.h"
#include "shell/agent_identity.h"

namespace kx {
namespace {

// The interval timer as its tick sees it: not started again once the agent closes.
class IntervalTimerSwitch final : public TickTimer {
public:
    IntervalTimerSwitch(QTimer& timer, const bool& closing, const bool& closeAllowed)
        : timer_(timer), closing_(closing), closeAllowed_(closeAllowed) {}
    void Stop() override { timer_.stop(); }
    void Start() override {
        if (!closing_ && !closeAllowed_) timer_.start();
    }

private:
    QTimer& timer_;
    const bool& closing_;
    const bool& closeAllowed_;
};

const char* BatchName(BatchKind kind) {
    switch (kind) {
    case BatchKind::Range: return "Range reprocessing";
    case BatchKind::Interval: return "Interval reprocessing";
    case BatchKind::Daily: return "Daily reprocessing";
    case BatchKind::AutoProcess: return "Auto-process";
    }
    return "";
}

}  // namespace

Agent::Agent(AgentOptions options, const Clock* clock)
    : systemClock_(clock ? nullptr : std::make_unique<SystemClock>()),
      options_(std::move(options)),
      ctx_(options_.home, clock ? *clock : *systemClock_) {
    ctx_.host = this;

    mailboxTimer_.setInterval(kMailboxIntervalMs);
    intervalTimer_.setInterval(kIntervalTimerMs);
    autoProcessTimer_.setInterval(kAutoProcessDelayMs);
    autoProcessTimer_.setSingleShot(true);
    rangeTimer_.setInterval(kRangeTimerMs);
    rangeTimer_.setSingleShot(true);
    QObject::connect(&mailboxTimer_, &QTimer::timeout, this, [this]() { Timer1Timer(); });
    QObject::connect(&intervalTimer_, &QTimer::timeout, this, [this]() { OnIntervalTimer(); });
    QObject::connect(&autoProcessTimer_, &QTimer::timeout, this, [this]() { OnAutoProcessTimer(); });
    QObject::connect(&rangeTimer_, &QTimer::timeout, this, [this]() { OnRangeTimer(); });

    SetApplicationTitle(kEntryApplicationTitle);
    window_ = std::make_unique<StatusWindow>(ctx_, *this, options_.headless, options_.mirror);
    window_->SetTitle(kAgentTitle);
}

Agent::~Agent() {
    msgForm_.reset();
    mailboxTimer_.stop();
    intervalTimer_.stop();
    autoProcessTimer_.stop();
    rangeTimer_.stop();
    ctx_.host = &ctx_.quietHost;
    window_.reset();
    ctx_.db = nullptr;
    database_.reset();
}

Agent::HandlerScope::~HandlerScope() {
    if (--agent_.handlerDepth_ == 0) agent_.AfterHandlers();
}

void Agent::AfterHandlers() {
    if (aapResetDeferred_) {
        aapResetDeferred_ = false;
        ResetLastAutoProcessDate();
    }
    if (closeDeferred_ && !closed_) {
        closeDeferred_ = false;
        // From the event loop, once the handler that held the close has unwound.
        QTimer::singleShot(0, this, [this]() { window_->close(); });
    }
}

// ---- timers ----

void Agent::Timer1Timer() {
    mailboxTimer_.stop();
    HandlerScope scope(*this);
    if (MailboxTick(ctx_, block_, *this) && !ctx_.flags.closing) mailboxTimer_.start();
    notifier_.Ready();
    notifier_.Alive();
}

void Agent::OnIntervalTimer() {
    if (closeAllowed_) {
        intervalTimer_.stop();
        return;
    }
    HandlerScope scope(*this);
    IntervalTimerSwitch timer(intervalTimer_, ctx_.flags.closing, closeAllowed_);
    intervalReprocessing_.Tick(ctx_, *this, timer);
}

void Agent::OnAutoProcessTimer() {
    autoProcessTimer_.stop();  // once per start; armed again only for a deferred run
    if (closeAllowed_) return;
    HandlerScope scope(*this);
    AutoProcessTick(ctx_, *this);
}

void Agent::OnRangeTimer() {
    rangeTimer_.stop();
    if (closeAllowed_) return;
    HandlerScope scope(*this);
    if (trpRequests_.empty()) return;
    const std::string request = trpRequests_.front();
    if (!RunRangeReprocessing(ctx_, request, *this)) return;  // deferred: fired again when the batch ends
    trpRequests_.pop_front();
    if (!trpRequests_.empty() && !closeAllowed_) rangeTimer_.start();
}

void Agent::StartMailboxTimer() {
    if (!ctx_.flags.closing && !closeAllowed_) mailboxTimer_.start();
}

void Agent::RefireBatch(BatchKind kind) {
    if (closeAllowed_) return;  // the agent is closing: nothing new starts
    switch (kind) {
    case BatchKind::Range: rangeTimer_.start(); break;
    case BatchKind::Interval:
    case BatchKind::Daily: intervalTimer_.start(); break;
    case BatchKind::AutoProcess: autoProcessTimer_.start(kRefireDelayMs); break;
    }
}

// ---- status and mailbox ----

void Agent::SetGradBar(int value) {
    window_->SetGradBar(value);
    notifier_.Status(ServiceNotifier::ProgressText(value, RunningBatch() ? BatchName(*RunningBatch()) : ""));
}

void Agent::MemoAdd(std::string_view text) { window_->MemoAdd(text); }

void Agent::ProcessEvents() {
    // A range run stops the mailbox timer for its whole run; its staff-days
    // keep the watchdog fed instead.
    notifier_.Alive();
    QCoreApplication::processEvents();
}

void Agent::SetApplicationTitle(std::string title) {
    applicationTitle_ = std::move(title);
    QGuiApplication::setApplicationDisplayName(QString::fromStdString(applicationTitle_));
}

void Agent::SendMFThis(std::string_view text) { block_.SendMFThis(text); }

void Agent::ShowNormalIcon() { window_->ShowNormalIcon(); }

void Agent::CloseMainWindow() { window_->close(); }

void Agent::RestoreMainWindow() { window_->RestoreNormal(); }

std::string Agent::FormatClockData(const std::string& packet) {
    return kx::FormatClockData(ctx_, packet, commandBuffers_);
}

void Agent::SendThisMessage(const std::string& text) { kx::SendThisMessage(commandBuffers_, text); }

bool Agent::Fep1Defined() const { return msgForm_ && msgForm_->Feps()[1].Defined; }

bool Agent::Fep1Connected() const { return msgForm_ && msgForm_->Feps()[1].Connected; }

void Agent::StopFep1PollTask() {
    if (msgForm_) msgForm_->StopPollTask(1);
}

void Agent::ConnectFep1() {
    if (msgForm_) msgForm_->ConnectTCPIP(msgForm_->Connection(1), 1, true);
}

void Agent::CreateControllerConnections() {
    // Opening the connections lets events through; a close they bring waits
    // until the connections stand and the event loop runs.
    HandlerScope scope(*this);
    msgForm_ = std::make_unique<TMsgForm>(ctx_, commandBuffers_, receiveQueue_, *this, *this);
    msgForm_->FormCreate();
}

void Agent::CloseControllerConnections() {
    if (msgForm_) msgForm_->FormClose();
}

void Agent::SetMessageAreaColour(MessageColour colour) {
    window_->SetMessageAreaColour(colour == MessageColour::Red ? QColor(Qt::red) : QColor(Qt::white));
}

void Agent::ShowSocketBox(const std::string& caption, const std::string& text, bool endsProgram) {
    window_->ShowDialog(text, DialogKind::Error, DialogButtons::OkCancel, caption);
    // Headless there is nobody to dismiss the box: the agent keeps running.
    if (endsProgram && !options_.headless) CloseLikeEnd();
}

void Agent::ResetLastAutoProcessDate() {
    // The settings write uses AutoAPQuery; a daily auto-process may be walking
    // it from inside a handler, so the reset waits until that handler returns.
    if (handlerDepth_ > 0) {
        aapResetDeferred_ = true;
        return;
    }
    db::WriteKTINI(ctx_, "Attend", "LastAAPDate", DateText(ctx_.clock.Now()));
    MemoAdd("Last Auto-Process Date Reset.");
}

// ---- close ----

void Agent::EndAfterAbortedStart() {
    if (!closed_) FormClose();
}

void Agent::CloseLikeEnd() {
    if (closed_) return;
    ctx_.flags.endReceived = true;
    window_->close();
}

bool Agent::MainWindowMayClose() {
    if (closed_) return true;
    if (!closeAllowed_) {
        if (!FormCloseQuery()) return false;
        closeAllowed_ = true;
    }
    if (handlerDepth_ > 0) {
        // A batch is under way below this event: end it at its next check and
        // close once it has returned, so it never works on released state.
        ctx_.flags.stop = true;
        closeDeferred_ = true;
        return false;
    }
    FormClose();
    QTimer::singleShot(0, qApp, []() { QCoreApplication::quit(); });
    return true;
}

bool Agent::FormCloseQuery() {
    try {
        if (!ctx_.flags.endReceived) {
            const std::string question = ctx_.settings.options.International
                                             ? ctx_.internArray[238] + " ,  " + ctx_.internArray[232]
                                             : std::string("Terminate Attendance Agent, are you sure ?");
            if (window_->ShowDialog(question, DialogKind::Confirmation, DialogButtons::YesNo) != DialogResult::Yes)
                return false;
        }
        ctx_.flags.closing = true;
    } catch (const std::exception& e) {
        ctx_.log.WriteLog(std::string("<FormCloseQuery>") + e.what());
    }
    return true;
}

void Agent::FormClose() {
    closed_ = true;
    notifier_.Stopping();
    // Nothing may start once the agent closes.
    mailboxTimer_.stop();
    intervalTimer_.stop();
    autoProcessTimer_.stop();
    rangeTimer_.stop();
    try {
        ctx_.workRec = TAT_Emp{};
        ctx_.attend = TAT_Attend{};
        ctx_.templateRec = TAT_Emp{};
        ctx_.afRecList.Clear();
        CloseControllerConnections();
        // A private block serves this user's programs, which open it for each
        // request; a block shared with a group may still be held by its front end.
        if (!options_.mailboxGroup) block_.RemoveIfCreated();
        block_.Close();
    } catch (const std::exception& e) {
        ctx_.log.WriteLog(std::string("<FormClose>") + e.what());
    }
    ctx_.log.WriteLog("---- KX_ATA Ended. ----");
}

}  // namespace kx
