// The status window's creation step: the agent's start-up sequence, in order.
#include <exception>
#include <new>
#include <random>

#include "assembly/auto_fit_pattern.h"
#include "assembly/startup_sys_values.h"
#include "core/text.h"
#include "db/database.h"
#include "db/run_sql.h"
#include "shell/agent.h"
#include "shell/agent_identity.h"
#include "shell/job_display_table.h"
#include "shell/settings_derivation.h"
#include "shell/settings_file.h"
#include "shell/suite_database.h"

namespace kx {
namespace {

// Thrown by a step that has already reported its failure and ends the program.
struct StartupAbort {};

}  // namespace

bool Agent::FormCreate() {
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

void Agent::RunStartupSteps() {
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
    ReadSettingsTableValues(ctx_);
    ArmTimers();
    ctx_.log.WriteDetail(kDetailSteps, "<FormCr> End.");
}

void Agent::ResetProcessState() {
    ctx_.flags.intervalCounter = 0;
    ctx_.staffDay.AutoFitShiftTag.clear();
    ctx_.flags.closing = false;
    ctx_.flags.stop = false;
    ctx_.flags.lastSeenMinute = 0;
    ctx_.derived.breakPattern = "________";
    ctx_.staffDay.DataSource = "T";
}

void Agent::ApplySkinSetting() {
    auto& options = ctx_.settings.options;
    if (!options.UseSkin) return;
    if (options.SkinNo < 1 || options.SkinNo > 9) {
        std::random_device seed;
        options.SkinNo = std::uniform_int_distribution<int>(1, 9)(seed);
    }
    // Window skins are not built: the windows keep the platform's look.
}

bool Agent::OpenDatabase() {
    ctx_.db = nullptr;
    database_.reset();
    try {
        database_ = OpenSuiteDatabase(ctx_);
        ctx_.db = database_.get();
        return true;
    } catch (const std::exception& e) {
        ctx_.log.WriteLog(std::string("<FCR.DB>") + e.what());
        window_->ShowDialog(e.what(), DialogKind::Error, DialogButtons::Ok);
    }
    return false;
}

bool Agent::AllocateWorkAreas() {
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

void Agent::ArmTimers() {
    if (!ctx_.settings.reprocessing.DailyReprocessAtHHMM.empty())
        intervalTimer_.start();
    else if (ctx_.settings.options.AutoProcess)
        autoProcessTimer_.start();
}

}  // namespace kx
