#include "db/batch_read_cache.h"

#include <algorithm>
#include <cctype>

#include "core/text.h"

namespace kx::db {
namespace {

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

}  // namespace

void BatchReadCache::SetTables(std::vector<std::string> tables) {
    for (std::string& table : tables) table = LowerCase(table);
    tables_ = std::move(tables);
    rows_.clear();
}

bool BatchReadCache::Cacheable(std::string_view sql) const {
    if (tables_.empty() || !StartsWithNoCase(sql, "select ")) return false;
    const std::string lower = LowerCase(sql);
    const std::size_t from = lower.find(" from ");
    if (from == std::string::npos || lower.find(" from ", from + 1) != std::string::npos) return false;
    std::size_t start = from + 6;
    while (start < lower.size() && lower[start] == ' ') ++start;
    std::size_t end = start;
    while (end < lower.size() && IsNameChar(lower[end])) ++end;
    const std::string_view table(lower.data() + start, end - start);
    if (std::find(tables_.begin(), tables_.end(), table) == tables_.end()) return false;
    // Nothing but the condition may follow the table: no second table, no alias list.
    std::size_t next = end;
    while (next < lower.size() && lower[next] == ' ') ++next;
    return next == lower.size() || lower.compare(next, 6, "where ") == 0;
}

const ResultSet* BatchReadCache::Find(std::string_view sql) const {
    if (rows_.empty()) return nullptr;
    const auto it = rows_.find(std::string(sql));
    return it == rows_.end() ? nullptr : &it->second;
}

void BatchReadCache::Keep(std::string_view sql, const ResultSet& rows) {
    if (!Cacheable(sql)) return;
    if (rows_.size() >= kMostEntries) rows_.clear();
    rows_.insert_or_assign(std::string(sql), rows);
}

void BatchReadCache::Heard(std::string_view sql) {
    if (rows_.empty() || StartsWithNoCase(sql, "select ")) return;
    if (NamesATable(LowerCase(sql))) rows_.clear();
}

bool BatchReadCache::NamesATable(std::string_view lowerSql) const {
    for (const std::string& table : tables_) {
        for (std::size_t at = lowerSql.find(table); at != std::string_view::npos; at = lowerSql.find(table, at + 1)) {
            const bool before = at == 0 || !IsNameChar(lowerSql[at - 1]);
            const std::size_t after = at + table.size();
            if (before && (after == lowerSql.size() || !IsNameChar(lowerSql[after]))) return true;
        }
    }
    return false;
}

}  // namespace kx::db
