#include "kx-db/schema_catalog.h"

#include <algorithm>

#include "core/text.h"

namespace kx::dbtool {

std::vector<TableColumns> ReadTableColumns(db::Database& db) {
    db::Query query("kx-db:catalog", db);
    if (db.IsPostgres())
        query.SetSQL(
            "select table_name, column_name from information_schema.columns"
            " where table_schema = current_schema() order by table_name, ordinal_position");
    else
        query.SetSQL(
            "select m.name, c.name from sqlite_master m, pragma_table_info(m.name) c"
            " where m.type = 'table' and m.name not like 'sqlite%' order by m.name, c.cid");
    query.Open();

    std::vector<TableColumns> tables;
    for (; !query.Eof(); query.Next()) {
        std::string table = LowerCase(query.Field(0));
        if (tables.empty() || tables.back().table != table) tables.push_back({table, {}});
        tables.back().columns.push_back(LowerCase(query.Field(1)));
    }
    query.Close();
    // Sorted here: a server's collation may order underscores differently.
    std::sort(tables.begin(), tables.end(),
              [](const TableColumns& a, const TableColumns& b) { return a.table < b.table; });
    return tables;
}

}  // namespace kx::dbtool
