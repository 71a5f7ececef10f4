// The status window's creation step: the agent's start-up sequence, in order.
#include <exception>
#include <new>
#include <random>

#include "assembly/auto_fit_pattern.h"
#include "assembly/startup_sys_values.h"
#include "core/text.h"
#include "db/database.h"
#include "db/database_alias.h"
#include "db/run_sql.h"
#include "shell/agent.h"
#include "shell/agent_identity.h"
#include "shell/job_display_table.h"
#include "shell/settings_derivation.h"
#include "shell/settings_file.h"
#include "shell/table_def_login.h"

namespace kx {
namespace {

// Thrown by a step that has already reported its failure and ends the program.
struct StartupAbort {};

}  // namespace

bool Agent::FormCreate()
{
    HandlerScope scope(*this);  // a close asked for during start-up waits for its end
    try {
        RunStartupSteps();
    } catch (const StartupAbort&) {
        startupAborted_ = true;
        return false;
    } catch (const std::exception& e) {
        ctx_.log.WriteLog(std::string("<MainForm>:") + e.what());
    } catch (...) {
        ctx_.log.WriteLog("<MainForm>:unknown failure");
    }
    // Whatever happened after the database opened, the window stays up and the
    // mailbox is served.
    mailboxTimer_.start();
    window_->ShowAtStart();
    return true;
}

void Agent::RunStartupSteps()
{
    ctx_.log.WriteLog("---- KX_ATA Started [" + std::string(kAgentVersion) + "] <RW> ----");
    ResetProcessState();

    if (CreateControlMailbox(block_, options_.mailboxName, ctx_.log, options_.mailboxGroup) ==
        SharedBlock::OpenResult::Refused) {
        window_->ShowDialog(block_.ErrorText(), DialogKind::Error, DialogButtons::Ok);
        throw StartupAbort{};
    }

    ctx_.flags.endReceived = false;
    ctx_.derived.offDaysDisabled = false;
    ctx_.derived.offDayList = "17";

    ReadSettingsFile(ctx_);
    ApplySkinSetting();
    DeriveSettingValues(ctx_);  // with the selected controller list and the table-definition file name
    const InternationalStart international = LoadInternationalText(ctx_);
    if (international.loaded) {
        window_->SetStopCaption(international.stopCaption);
        window_->SetStatePanelCaption(international.readyCaption);
    }
    WriteSettingsSummary(ctx_.settings, ctx_.log);

    if (!OpenDatabase()) throw StartupAbort{};
    LoadStartupSysValues(ctx_);
    if (!AllocateWorkAreas()) throw StartupAbort{};
    LoadJobDisplayTable(ctx_);
    if (ctx_.settings.options.AutoFit) GetAutoFitPattern(ctx_);

    ApplyServerMode(ctx_.settings, options_.serverMode);
    ctx_.log.WriteLog("[" + std::string(kAgentTitle) + "]");
    window_->SetTitle(kAgentTitle);
    SetApplicationTitle(kAgentTitle);

    receiveQueue_.Reset();
    ReadSettingsTableValues();
    ArmTimers();
    ctx_.log.WriteDetail(10, "<FormCr> End.");
}

void Agent::ResetProcessState()
{
    ctx_.flags.intervalCounter = 0;
    ctx_.staffDay.AutoFitShiftTag.clear();
    ctx_.flags.closing = false;
    ctx_.flags.stop = false;
    ctx_.flags.lastSeenMinute = 0;
    ctx_.derived.breakPattern = "________";
    ctx_.staffDay.DataSource = "T";
}

void Agent::ApplySkinSetting()
{
    auto& options = ctx_.settings.options;
    if (!options.UseSkin) return;
    if (options.SkinNo < 1 || options.SkinNo > 9) {
        std::random_device seed;
        options.SkinNo = std::uniform_int_distribution<int>(1, 9)(seed);
    }
    // Window skins are not built: the windows keep the platform's look.
}

void Agent::PrepareLogin(db::Login& login)
{
    // [Server] Path named the engine's network control directory; neither
    // backend has one, so it has no part in the connection.
    if (!ctx_.settings.options.SQLIDChecking) return;
    ctx_.derived.login = ReadTableDefLogin(ctx_);
    const TableDefLogin& found = ctx_.derived.login;
    if (found.user == "NULL") return;
    login.user = found.user;
    login.password = found.password == "NULL" ? std::string() : found.password;
}

bool Agent::OpenDatabase()
{
    ctx_.db = nullptr;
    database_.reset();
    db::Login login;
    PrepareLogin(login);
    try {
        const db::DatabaseTarget target = db::ResolveAlias(ctx_.settings.database.DBAlias, ctx_.home);
        // Opening an empty or foreign file would make an SQLite database of it at the first write.
        if (!target.postgres && std::filesystem::exists(target.file) && !db::IsSqliteDatabaseFile(target.file))
            throw db::DbError("not an SQLite database: " + target.file.string() +
                              " (make the suite's database with kx-db create)");
        database_ = db::Database::Open(ctx_.settings.database.DBAlias, ctx_.home, login);
        if (const auto missing = database_->MissingSuiteTables(); !missing.empty()) {
            std::string names;
            for (const std::string& table : missing) names += (names.empty() ? "" : ", ") + table;
            throw db::DbError("not a suite database: no table " + names + " (make them with kx-db create)");
        }
        // Two agents replacing the same staff-days take turns; a wait shows where they overlapped.
        database_->SetTurnWaitReporter(
            [this]() { ctx_.log.WriteLog("<Database>: waited for another agent writing attendance rows"); });
        ctx_.db = database_.get();
        return true;
    } catch (const std::exception& e) {
        ctx_.log.WriteLog(std::string("<FCR.DB>") + e.what());
        window_->ShowDialog(e.what(), DialogKind::Error, DialogButtons::Ok);
    }
    return false;
}

bool Agent::AllocateWorkAreas()
{
    try {
        ctx_.templateRec = TAT_Emp{};
        ctx_.workRec = TAT_Emp{};
        ctx_.attend = TAT_Attend{};
        ctx_.afRecList.Clear();
        return true;
    } catch (const std::bad_alloc&) {
        window_->ShowDialog("Failed to Allocate Memory.", DialogKind::Error, DialogButtons::Ok);
    }
    return false;
}

void Agent::ReadSettingsTableValues()
{
    ctx_.derived.ignoreLEIfWorkOK = UpperCase(db::ReadKTINI(ctx_, "Attend", "IgnoreLEIfWorkOK", "0")) == "1";
    ctx_.derived.lastAAPDate = db::ReadKTINI(ctx_, "Attend", "LastAAPDate", DateText(ctx_.clock.Now()));
}

void Agent::ArmTimers()
{
    if (!ctx_.settings.reprocessing.DailyReprocessAtHHMM.empty())
        intervalTimer_.start();
    else if (ctx_.settings.options.AutoProcess)
        autoProcessTimer_.start();
}

}  // namespace kx
