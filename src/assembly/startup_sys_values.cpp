#include "assembly/startup_sys_values.h"

#include "core/text.h"
#include "db/query_access.h"

namespace kx {

std::string OffDayListOf(std::string_view offdays) {
    std::string list;
    for (std::size_t i = 0; i < offdays.size(); ++i)
        if (offdays[i] == 'X') list += std::to_string(i + 1);
    return list;
}

bool OffDaysDisabledBy(std::string_view offDayList) { return offDayList.find('8') != std::string_view::npos; }

std::string StartupDataSourceOf(std::string_view datasource) { return Trim(datasource) == "1" ? "D" : "T"; }

bool LoadStartupSysValues(AgentContext& ctx) {
    db::Query& query = db::ContextDatabase(ctx).CommonQuery;
    db::OpenQuery(query, "select break_select,offdays,datasource from kt_sys");
    if (query.Eof()) {
        query.Close();
        return false;
    }
    const std::string breakPattern = query.FieldByName("break_select");
    const std::string offDayList = OffDayListOf(query.FieldByName("offdays"));
    const std::string dataSource = StartupDataSourceOf(query.FieldByName("datasource"));
    query.Close();

    ctx.derived.breakPattern = breakPattern;
    ctx.derived.offDayList = offDayList;
    ctx.derived.offDaysDisabled = OffDaysDisabledBy(offDayList);
    ctx.derived.startupDataSource = dataSource;
    ctx.staffDay.DataSource = dataSource;
    return true;
}

}  // namespace kx
