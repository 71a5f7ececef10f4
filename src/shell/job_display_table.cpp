#include "shell/job_display_table.h"

#include "core/agent_context.h"
#include "core/text.h"
#include "db/database.h"
#include "db/run_sql.h"

namespace kx {

void LoadJobDisplayTable(JobDisplayTable& table, const Log& log, db::Query& query) {
    table.Clear();
    int next = 1;
    if (db::RunSQL(log, query, "Select * from kt_acti", true)) {
        for (; !query.Eof(); query.Next()) {
            const std::string display = query.FieldByName("Job_LcdDisplay");
            if (display.empty()) continue;
            const std::string trimmed = Trim(display);
            table.Set(next++, trimmed + " IN");
            table.Set(next++, trimmed + " OUT");
        }
    }
    query.Close();
}

void LoadJobDisplayTable(AgentContext& ctx) { LoadJobDisplayTable(ctx.jobDisplay, ctx.log, ctx.db->CommonQuery); }

}  // namespace kx
