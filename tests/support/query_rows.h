#pragma once
// The rows of a select as the tests compare them. Each runs the select on the
// query given, from its first row, and leaves the query closed.
#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"

namespace kx::test {

// Every row, each as its fields.
inline std::vector<std::vector<std::string>> SelectedRows(db::Query& q, const std::string& sql) {
    q.SetSQL(sql);
    q.Open();
    std::vector<std::vector<std::string>> rows;
    for (; !q.Eof(); q.Next()) {
        std::vector<std::string>& row = rows.emplace_back();
        for (int i = 0; i < q.FieldCount(); ++i) row.push_back(q.Field(i));
    }
    q.Close();
    return rows;
}

// The first column of every row.
inline std::vector<std::string> FirstColumn(db::Query& q, const std::string& sql) {
    std::vector<std::string> values;
    for (const auto& row : SelectedRows(q, sql)) values.push_back(row.at(0));
    return values;
}

// Every row as one text: its fields, each followed by `after`.
inline std::vector<std::string> RowTexts(db::Query& q, const std::string& sql, std::string_view after) {
    std::vector<std::string> texts;
    for (const auto& row : SelectedRows(q, sql)) {
        std::string& text = texts.emplace_back();
        for (const std::string& field : row) (text += field) += after;
    }
    return texts;
}

// Every row as one text: its fields with `between` between them.
inline std::vector<std::string> JoinedRows(db::Query& q, const std::string& sql, std::string_view between) {
    std::vector<std::string> texts;
    for (const auto& row : SelectedRows(q, sql)) {
        std::string& text = texts.emplace_back();
        for (std::size_t i = 0; i < row.size(); ++i) (text += i ? between : "") += row[i];
    }
    return texts;
}

}  // namespace kx::test
