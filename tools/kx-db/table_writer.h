#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"

namespace kx::dbtool {

// FNV-1a over every value written, in order: equal for equal demo data.
class Checksum {
public:
    void Add(std::string_view text);
    void EndRow() { Mix(0x1e); }
    std::uint64_t Value() const { return hash_; }

private:
    void Mix(unsigned char byte) { hash_ = (hash_ ^ byte) * 0x100000001b3ULL; }
    std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

// Buffers the rows of one table and writes them as multi-row inserts: one
// statement shape per table, so the database layer prepares it once.
class TableWriter {
public:
    // numericColumns: 0-based positions written as bare numbers; the rest are quoted text.
    TableWriter(db::Database& db, std::string table, int columnCount, std::vector<int> numericColumns,
                Checksum& checksum);
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;

    void Add(std::initializer_list<std::string_view> values);
    void Flush();

    const std::string& Table() const { return table_; }
    long Rows() const { return rows_; }

private:
    std::string table_;
    int columnCount_;
    std::vector<bool> numeric_;
    Checksum& checksum_;
    db::Query query_;
    int rowsPerStatement_;
    int pendingRows_ = 0;
    std::string pending_;
    long rows_ = 0;
};

}  // namespace kx::dbtool
