#pragma once
#include "core/job_display_table.h"

namespace kx {

class Log;
struct AgentContext;
namespace db {
class Query;
}

// Fills the job display table from "Select * from kt_acti": for each row in
// query order whose Job_LcdDisplay is not empty, the next two entries become
// the trimmed text + " IN" and + " OUT"; entries beyond the 18th are not
// written. A failed select leaves the table empty (RunSQL logs it); a result
// without the Job_LcdDisplay column throws db::DbError to the caller.
void LoadJobDisplayTable(JobDisplayTable& table, const Log& log, db::Query& query);
// On the start-up query object, CommonQuery.
void LoadJobDisplayTable(AgentContext& ctx);

}  // namespace kx
