#include "shell/one_shot_agent.h"

#include <exception>

#include "assembly/auto_fit_pattern.h"
#include "assembly/startup_sys_values.h"
#include "core/intern_text.h"
#include "shell/job_display_table.h"
#include "shell/settings_derivation.h"
#include "shell/settings_file.h"
#include "shell/suite_database.h"

namespace kx {

OneShotAgent::OneShotAgent(std::filesystem::path home) : ctx_(std::move(home), clock_) {}

bool OneShotAgent::Start() {
    ctx_.derived.offDaysDisabled = false;
    ctx_.derived.offDayList = "17";
    ctx_.derived.breakPattern = "________";
    ctx_.staffDay.DataSource = "T";
    ReadSettingsFile(ctx_);
    DeriveSettingValues(ctx_);
    LoadInternationalText(ctx_);
    try {
        database_ = OpenSuiteDatabase(ctx_);
        ctx_.db = database_.get();
        LoadStartupSysValues(ctx_);
    } catch (const std::exception& e) {
        error_ = e.what();
        ctx_.log.WriteLog("<FCR.DB>" + error_);
        ctx_.db = nullptr;
        return false;
    }
    LoadJobDisplayTable(ctx_);
    if (ctx_.settings.options.AutoFit) GetAutoFitPattern(ctx_);
    ReadSettingsTableValues(ctx_);
    return true;
}

bool OneShotAgent::StartOrTell(std::ostream& err) {
    if (Start()) return true;
    err << "kx-ata: the database cannot be opened: " << ErrorText() << "\n";
    return false;
}

}  // namespace kx
