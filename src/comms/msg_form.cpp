#include "comms/msg_form.h"

#include <chrono>
#include <exception>
#include <fstream>
#include <thread>

#include "comms/command_buffers.h"
#include "comms/receive_queue.h"
#include "core/agent_context.h"
#include "core/file_bytes.h"
#include "core/int_text.h"
#include "core/text.h"
#include "db/database.h"
#include "db/run_sql.h"

namespace kx {

namespace {

constexpr const char* kDefaultIPPort = "4000";
constexpr auto kPollTaskStopLimit = std::chrono::milliseconds(1000);

std::string Cut(const std::string& text, std::size_t length) { return text.substr(0, length); }

}  // namespace

TMsgForm::TMsgForm(AgentContext& ctx, CommandBuffers& commands, ReceiveQueue& packets, ConnectionsHost& host,
                   SocketDialogs& dialogs)
    : ctx_(ctx), commands_(commands), packets_(packets), host_(host) {
    for (int n = 1; n <= FepTable::kConnectionCount; ++n) {
        connections_[n - 1] = std::make_unique<TSockets>(dialogs);
        BindHandlers(*connections_[n - 1], n);
    }
}

TMsgForm::~TMsgForm() {
    if (!closed_) {
        try {
            FormClose();
        } catch (...) {
        }
    }
    // Tasks first: none may hand a step over to a form that is going.
    for (auto& task : pollTasks_) task.reset();
    retiredTasks_.clear();
}

TSockets& TMsgForm::Connection(int n) {
    if (n < 1 || n > FepTable::kConnectionCount) throw std::out_of_range("no connection " + std::to_string(n));
    return *connections_[n - 1];
}

void TMsgForm::BindHandlers(TSockets& socket, int n) {
    socket.OnSessionConnected = [this, n](TSockets&, int) { OnConnected(n); };
    socket.OnDataAvailable = [this, n](TSockets& s, int handle) { SocketProcessData(s, handle, n); };
    socket.OnSessionClosed = [this](TSockets& s, int handle) { OnClosed(s, handle); };
    socket.OnErrorOccurred = [this, n](TSockets&, int, int error, const std::string& msg) {
        SocketErrorHandler(n, error, msg);
    };
}

// ---- creation ----

void TMsgForm::FormCreate() {
    commands_.InitCommandBuffers();
    ConnectIP();
    SpawnPollingThread();
}

void TMsgForm::ConnectIP() {
    for (int n = 1; n <= FepTable::kFepCount; ++n) {
        feps_[n].Reset();
        feps_.Reply(n).SetReplyPending(false);
        feps_.Reply(n).ClearBuffer();
    }
    try {
        if (!ctx_.db) return;
        db::Query& query = ctx_.db->CommonQuery;
        if (!db::RunSQL(ctx_.log, query, "Select * from M_Server", true)) {
            if (query.Active()) ctx_.log.WriteDetail(kDetailSteps, "No FEP defined.");
            return;
        }
        for (; !query.Eof(); query.Next()) {
            const std::string unitText = query.FieldByName("unit_no");
            ctx_.log.WriteDetail(kDetailSteps, unitText + " : " + query.FieldByName("IP_Address"));
            LoadFep(unitText);
        }
        query.Close();
    } catch (const std::exception& e) {
        ctx_.log.WriteLog(std::string("<ConnectIP>: ") + e.what());
    }
    if (ctx_.settings.server.IPPort != kDefaultIPPort)
        feps_[1].Port = Cut(ctx_.settings.server.IPPort, FepRecord::kPortLength);

    for (int n = 1; n <= FepTable::kConnectionCount; ++n) {
        if (!feps_[n].Defined) continue;
        StartConnecting(Connection(n), n, "<ConnectIP>");
        WaitAndPump(20);
    }
}

// A port text that is neither a service nor a number leaves the FEP down, logged.
void TMsgForm::StartConnecting(TSockets& socket, int n, const char* tag) {
    socket.IPAddr = feps_[n].IPAddress;
    socket.Port = feps_[n].Port;
    try {
        socket.SConnect();
    } catch (const std::exception& e) {
        ctx_.log.WriteLog(std::string(tag) + ": FEP #" + std::to_string(n) + " : " + e.what());
    }
}

// One row of M_Server on CommonQuery; a unit number outside 1 to 16 (or no
// number at all) names no FEP.
void TMsgForm::LoadFep(const std::string& unitText) {
    const std::optional<int> unit = ParseTrimmedInt32(unitText);
    if (!unit || !FepTable::ValidUnit(*unit)) return;
    const int n = *unit;
    const db::Query& row = ctx_.db->CommonQuery;
    FepRecord& fep = feps_[n];
    fep.UnitNo = n;
    fep.TagName = Cut(row.FieldByName("Tag_Name"), FepRecord::kTagNameLength);
    fep.IPAddress = Cut(Trim(row.FieldByName("IP_Address")), FepRecord::kIPAddressLength);
    fep.Port = Cut(Trim(row.FieldByName("Port")), FepRecord::kPortLength);
    fep.FEPType = row.FieldByName("FEP_Type");
    fep.TotalReader = ParseTrimmedInt32(row.FieldByName("Total_Reader")).value_or(0);
    fep.TotalInput = ParseTrimmedInt32(row.FieldByName("Total_Input")).value_or(0);
    fep.TotalOutput = ParseTrimmedInt32(row.FieldByName("Total_Output")).value_or(0);
    fep.Defined = true;
}

void TMsgForm::SpawnPollingThread() {
    for (int n = 1; n <= FepTable::kFepCount; ++n)
        if (feps_[n].Connected) StartPollTask(n);
}

void TMsgForm::StartPollTask(int n) {
    ReapRetiredTasks();
    if (pollTasks_[n - 1]) {
        pollTasks_[n - 1]->RequestStop();
        retiredTasks_.push_back(std::move(pollTasks_[n - 1]));
    }
    pollTasks_[n - 1] = std::make_unique<TPollTask>(n, *this, handOver_);
}

bool TMsgForm::PollTaskRunning(int n) const {
    const auto& task = pollTasks_.at(static_cast<std::size_t>(n - 1));
    return task && !task->Finished();
}

void TMsgForm::StopPollTask(int n) {
    auto& task = pollTasks_.at(static_cast<std::size_t>(n - 1));
    if (!task) return;
    task->RequestStop();
    retiredTasks_.push_back(std::move(task));
}

// A stopped task ends at its next check; the ones that have are joined here.
void TMsgForm::ReapRetiredTasks() {
    std::erase_if(retiredTasks_, [](const std::unique_ptr<TPollTask>& task) { return task->Finished(); });
}

void TMsgForm::WaitAndPump(int n) {
    for (int round = 0; round < n; ++round) {
        for (int i = 0; i < 5; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        host_.ProcessEvents();
    }
}

std::string TMsgForm::FepLine(int n) const {
    return "FEP #" + std::to_string(n) + " : " + feps_[n].IPAddress + " Port:" + feps_[n].Port;
}

void TMsgForm::ConnectTCPIP(TSockets& socket, int n, bool connect) {
    if (!connect) {
        socket.Disconnect();
        return;
    }
    StartConnecting(socket, n, "<ConnectTCPIP>");
    WaitAndPump(10);
    if (feps_[n].Connected) {
        host_.MemoAdd("Reconnected : " + FepLine(n));
        host_.SetMessageAreaColour(ConnectionsHost::MessageColour::White);
        StartPollTask(n);
    } else {
        host_.MemoAdd("Failed to connect : " + FepLine(n));
        host_.SetMessageAreaColour(ConnectionsHost::MessageColour::Red);
    }
}

void TMsgForm::SendThisMessage(const std::string& text) { kx::SendThisMessage(commands_, text); }

// ---- connection events ----

void TMsgForm::OnConnected(int n) {
    feps_[n].Connected = true;
    lastLoggedError_[n - 1] = 0;
    WaitAndPump(5);
    host_.MemoAdd(feps_[n].IPAddress + " connected.");
}

void TMsgForm::SocketProcessData(TSockets& socket, int socketHandle, int n) {
    socket.SocketHandle = socketHandle;
    if (feps_.Reply(n).Receive(socket.Text())) ClearReplyPending(n);
}

void TMsgForm::OnClosed(TSockets& socket, int socketHandle) {
    // Connected stays set: the next send fails, and its error clears it.
    socket.SocketHandle = socketHandle;
    socket.Disconnect();
}

void TMsgForm::SocketErrorHandler(int n, int error, const std::string& msg) {
    try {
        feps_[n].Connected = false;
        ClearReplyPending(n);
        // Once per kind of failure: FEP 1 is retried several times a second while it is down.
        if (lastLoggedError_[n - 1] != error) {
            lastLoggedError_[n - 1] = error;
            ctx_.log.WriteLog(FepLine(n) + " : Error " + std::to_string(error) + " " + msg);
        }
    } catch (const std::exception& e) {
        ctx_.log.WriteLog(std::string("<SocketErrHandler>: ") + e.what());
    }
}

void TMsgForm::ClearReplyPending(int n) {
    feps_.Reply(n).SetReplyPending(false);
    if (pollTasks_[n - 1]) pollTasks_[n - 1]->Wake();
}

// ---- poll task steps ----

bool TMsgForm::CommandWaiting(int n) const { return commands_.CommandWaiting(n); }

void TMsgForm::PutPacket(std::string packet) { packets_.PutPacket(std::move(packet)); }

// Room is kept for a reply in flight on every connection.
bool TMsgForm::ReceiveQueueFull() const {
    return packets_.Count() >= ReceiveQueue::kSlots - 1 - FepTable::kConnectionCount;
}

void TMsgForm::TakeCommand(int n, std::string& command) {
    try {
        commands_.GetOneCmd(command, n);
    } catch (...) {
    }
}

void TMsgForm::SendCommand(int n, const std::string& text) {
    try {
        if (n <= FepTable::kConnectionCount) Connection(n).SetText(text);
    } catch (const std::exception& e) {
        WriteNetCompLog(std::string("<PollTask.SendCommand>:") + e.what());
    }
}

void TMsgForm::WriteNetCompLog(std::string_view line) const {
    AppendLogBytes(ctx_.home / kNetCompLog, std::string(line) + '\n');
}

// ---- closing ----

void TMsgForm::FormClose() {
    if (closed_) return;
    closed_ = true;
    std::vector<TPollTask*> stopping;
    for (int n = 1; n <= FepTable::kFepCount; ++n) {
        if (!pollTasks_[n - 1]) continue;
        pollTasks_[n - 1]->RequestStop();
        stopping.push_back(pollTasks_[n - 1].get());
    }
    for (auto& task : retiredTasks_) stopping.push_back(task.get());
    // Each task ends at its next check; a step it handed over and that has not
    // run is dropped, so none of them waits for this thread.
    const auto until = std::chrono::steady_clock::now() + kPollTaskStopLimit;
    for (TPollTask* task : stopping)
        while (!task->Finished() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    for (int n = 1; n <= FepTable::kConnectionCount; ++n)
        if (feps_[n].Connected) Connection(n).Disconnect();
    for (auto& task : pollTasks_) task.reset();
    retiredTasks_.clear();
}

}  // namespace kx
