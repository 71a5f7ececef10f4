#include "kx-db/table_writer.h"

#include <algorithm>

#include "db/sql_quote.h"

namespace kx::dbtool {

void Checksum::Add(std::string_view text) {
    for (char c : text) Mix(static_cast<unsigned char>(c));
    Mix(0x1f);
}

TableWriter::TableWriter(db::Database& db, std::string table, int columnCount, std::vector<int> numericColumns,
                         Checksum& checksum)
    : table_(std::move(table)),
      columnCount_(columnCount),
      numeric_(static_cast<std::size_t>(columnCount), false),
      checksum_(checksum),
      query_("kx-db:" + table_, db),
      // A few hundred values per statement stays far below every bound-parameter limit.
      rowsPerStatement_(std::max(1, 400 / columnCount)) {
    for (int column : numericColumns) numeric_.at(static_cast<std::size_t>(column)) = true;
}

void TableWriter::Add(std::initializer_list<std::string_view> values) {
    if (static_cast<int>(values.size()) != columnCount_)
        throw db::DbError("kx-db: " + table_ + " takes " + std::to_string(columnCount_) + " values, not " +
                          std::to_string(values.size()));
    pending_ += pendingRows_ == 0 ? "(" : ",(";
    std::size_t column = 0;
    for (std::string_view value : values) {
        if (column > 0) pending_ += ',';
        if (numeric_[column]) {
            pending_ += value;
        } else {
            pending_ += '\'';
            pending_ += db::SqlQuote(value);
            pending_ += '\'';
        }
        checksum_.Add(value);
        ++column;
    }
    pending_ += ')';
    checksum_.EndRow();
    ++rows_;
    if (++pendingRows_ == rowsPerStatement_) Flush();
}

void TableWriter::Flush() {
    if (pendingRows_ == 0) return;
    query_.SetSQL("insert into " + table_ + " values " + pending_);
    query_.ExecSQL();
    pending_.clear();
    pendingRows_ = 0;
}

}  // namespace kx::dbtool
