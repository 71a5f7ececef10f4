#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace kx::db {

// A literal lifted out of a statement text, to be bound as a value.
struct SqlLiteral {
    enum class Kind { Text, Integer, Decimal };
    Kind kind = Kind::Text;
    std::string value;  // text literal without its quotes ('' undoubled); a number as written
};

// A statement text turned into the key of the statement cache: the text with
// its literals replaced by placeholders, and the literals in order.
struct SqlShape {
    std::string key;
    std::vector<SqlLiteral> literals;
    // False when the text is to be run exactly as written and not cached.
    bool cacheable = false;
    // A select (or values) that writes nothing, as far as the text shows; only
    // ever true for a cacheable shape.
    bool readOnly = false;
};

enum class PlaceholderStyle {
    Question,  // ?   (SQLite)
    Dollar,    // $n  (PostgreSQL)
};

// Which literals become parameters, and why the others stay in the text:
// - Only statements that begin with select, insert, update, delete, replace,
//   values or with are shaped; any other statement (DDL, pragmas, transaction
//   control) is run as written. Engines do not accept parameters there.
// - Single-quoted literals ('' inside) become Text parameters, unless a prefix
//   is glued to them (E'..', X'..', N'..'): then the whole text runs as written.
// - Bare numbers become Integer parameters (Decimal for a point or exponent).
//   Digits inside identifiers (col1, t2.x) or inside double-quoted, back-quoted
//   or bracketed identifiers are not numbers. A number glued to letters (0x1F,
//   1e, 1_000) makes the whole text run as written. Integers beyond 64 bits stay
//   in the text, and so do decimals when `bindDecimals` is off (SQLite's own
//   decimal reading is kept that way).
// - Literals stay in the text where an engine gives a constant a meaning other
//   than its value or names a result column after it: in a select list (up to
//   its FROM) and in ORDER BY / GROUP BY clauses (a number there is a column
//   position). Parentheses inherit the clause they open in; a nested select
//   starts its own.
// - A text that already holds placeholders or parameter markers (?, $, :name,
//   @name), an unterminated quote or comment, a nested block comment, unbalanced
//   parentheses or more than kMaxParameters literals runs as written.
// The backend falls back to the text as written when the engine refuses a shape.
SqlShape ShapeSql(std::string_view sql, PlaceholderStyle style, bool bindDecimals = true);

inline constexpr std::size_t kMaxParameters = 2000;

}  // namespace kx::db
