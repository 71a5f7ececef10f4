#include "schedule/batch_staff_day.h"

#include "assembly/turbo_reprocess.h"

namespace kx {

void ReprocessBatchStaffDay(AgentContext& ctx, const TAT_Emp& batchTemplate, const BatchStaffRow& row,
                            const std::string& date) {
    ctx.templateRec = batchTemplate;
    FillTemplateCard(ctx.templateRec, row);
    TurboReprocessAttend(ctx, date, row.staffNumber, ctx.staffDay.DataSource, row.otEntitled, row.onShift,
                         row.cardNumber);
    if (ctx.db) ctx.db->CommitIfDue();
}

}  // namespace kx
