#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/backend.h"

namespace kx::db {

// The rows of selects on reference tables (holidays, shifts, formulas, ...)
// that a batch reads again and again, kept by their exact text between two of
// the batch's commits. The next commit forgets them, so a change another
// program makes is seen at most one commit interval late: no later than a
// reader inside the batch's transaction would see it. A statement that is not
// a select and names one of the tables forgets everything at once.
class BatchReadCache {
public:
    static constexpr std::size_t kMostEntries = 4096;

    // Table names, lower case; none: nothing is cached.
    void SetTables(std::vector<std::string> tables);

    // The rows kept for this text, or nullptr.
    const ResultSet* Find(std::string_view sql) const;
    // Keeps rows of a select read from the engine, when the text is one that may be kept.
    void Keep(std::string_view sql, const ResultSet& rows);
    // Told of every statement before it runs.
    void Heard(std::string_view sql);
    void Clear() { rows_.clear(); }
    std::size_t Size() const { return rows_.size(); }

    // A plain select from one of the tables: "select ... from TABLE where ...",
    // with no second "from" (a subquery) and no join.
    bool Cacheable(std::string_view sql) const;

private:
    bool NamesATable(std::string_view lowerSql) const;

    std::vector<std::string> tables_;
    std::unordered_map<std::string, ResultSet> rows_;
};

}  // namespace kx::db
