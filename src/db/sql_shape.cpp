#include "db/sql_shape.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace kx::db {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsIdentStart(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || u >= 0x80;
}

bool IsIdentChar(char c) { return IsIdentStart(c) || IsDigit(c) || c == '$'; }

std::string LowerAscii(std::string_view word) {
    std::string lower(word);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

bool OneOf(std::string_view word, std::initializer_list<std::string_view> words) {
    for (std::string_view w : words)
        if (word == w) return true;
    return false;
}

// Keywords that open a clause in which a literal is an ordinary value again.
bool EndsSpecialClause(std::string_view word) {
    return OneOf(word, {"from", "where", "having", "limit", "offset", "union", "intersect", "except", "window",
                        "fetch", "returning", "values", "set", "into", "on", "using", "join", "group", "order"});
}

bool IsShapedStatement(std::string_view firstWord) {
    return OneOf(firstWord, {"select", "insert", "update", "delete", "replace", "values", "with"});
}

enum class Clause { Value, SelectList, OrderGroup };

class Shaper {
public:
    Shaper(std::string_view sql, PlaceholderStyle style, bool bindDecimals)
        : sql_(sql), style_(style), bindDecimals_(bindDecimals) {}

    SqlShape Run() {
        shape_.key.reserve(sql_.size() + 16);
        clauses_.push_back(Clause::Value);
        while (pos_ < sql_.size() && !gaveUp_) Step();
        if (gaveUp_ || clauses_.size() != 1 || firstWord_.empty() || shape_.literals.size() > kMaxParameters)
            return AsWritten();
        shape_.cacheable = true;
        shape_.readOnly = (firstWord_ == "select" || firstWord_ == "values") && !writes_;
        return std::move(shape_);
    }

private:
    char At(std::size_t i) const { return i < sql_.size() ? sql_[i] : '\0'; }
    char Prev() const { return pos_ > 0 ? sql_[pos_ - 1] : '\0'; }

    SqlShape AsWritten() const {
        SqlShape shape;
        shape.key = std::string(sql_);
        return shape;
    }

    void GiveUp() { gaveUp_ = true; }

    void Copy(std::size_t end) {
        shape_.key.append(sql_.substr(pos_, end - pos_));
        pos_ = end;
    }

    bool InValueClause() const {
        for (Clause c : clauses_)
            if (c != Clause::Value) return false;
        return true;
    }

    void EmitParameter(SqlLiteral::Kind kind, std::string value) {
        shape_.literals.push_back({kind, std::move(value)});
        if (style_ == PlaceholderStyle::Question) {
            shape_.key += '?';
        } else {
            shape_.key += '$';
            shape_.key += std::to_string(shape_.literals.size());
        }
    }

    void Step() {
        const char c = sql_[pos_];
        const char next = At(pos_ + 1);
        if (c == '-' && next == '-') return LineComment();
        if (c == '/' && next == '*') return BlockComment();
        if (c == '\'') return TextLiteral();
        if (c == '"' || c == '`') return QuotedIdentifier(c, c);
        if (c == '[' && style_ == PlaceholderStyle::Question) return QuotedIdentifier('[', ']');
        if (IsIdentStart(c)) return Word();
        if (IsDigit(c) || (c == '.' && IsDigit(next) && !EndsQualifier(Prev()))) return Number();
        if (c == '?' || c == '$') return GiveUp();
        if ((c == ':' || c == '@') && IsIdentStart(next) && Prev() != ':') return GiveUp();
        if (c == '(') {
            clauses_.push_back(clauses_.back());
        } else if (c == ')') {
            if (clauses_.size() == 1) return GiveUp();
            clauses_.pop_back();
        } else if (c == ';') {
            clauses_.assign(1, Clause::Value);
        }
        Copy(pos_ + 1);
    }

    static bool EndsQualifier(char c) { return IsIdentChar(c) || c == '"' || c == '`' || c == ']'; }

    void LineComment() {
        std::size_t end = sql_.find('\n', pos_);
        Copy(end == std::string_view::npos ? sql_.size() : end);
    }

    void BlockComment() {
        std::size_t end = sql_.find("*/", pos_ + 2);
        if (end == std::string_view::npos) return GiveUp();
        // One engine nests block comments, the other does not.
        if (sql_.substr(pos_ + 2, end - pos_ - 2).find("/*") != std::string_view::npos) return GiveUp();
        Copy(end + 2);
    }

    void TextLiteral() {
        // A prefix glued to the quote (E'', X'', N'', U&'') changes what the quotes hold.
        if (IsIdentChar(Prev()) || Prev() == '&') return GiveUp();
        std::string value;
        std::size_t i = pos_ + 1;
        for (;;) {
            if (i >= sql_.size()) return GiveUp();
            if (sql_[i] == '\'') {
                if (At(i + 1) != '\'') break;
                ++i;
            }
            value += sql_[i++];
        }
        const std::size_t end = i + 1;
        if (!InValueClause()) return Copy(end);
        EmitParameter(SqlLiteral::Kind::Text, std::move(value));
        pos_ = end;
    }

    void QuotedIdentifier(char open, char close) {
        std::size_t i = pos_ + 1;
        for (;;) {
            if (i >= sql_.size()) return GiveUp();
            if (sql_[i] == close) {
                if (open == close && At(i + 1) == close) {
                    i += 2;
                    continue;
                }
                break;
            }
            ++i;
        }
        Copy(i + 1);
    }

    void Word() {
        std::size_t end = pos_;
        while (end < sql_.size() && IsIdentChar(sql_[end])) ++end;
        const std::string word = LowerAscii(sql_.substr(pos_, end - pos_));
        Copy(end);
        if (firstWord_.empty()) {
            firstWord_ = word;
            if (!IsShapedStatement(word)) return GiveUp();
        }
        if (word == "into" || word == "for") writes_ = true;  // select into, select for update
        if (word == "select")
            clauses_.back() = Clause::SelectList;
        else if (word == "by" && (previousWord_ == "order" || previousWord_ == "group"))
            clauses_.back() = Clause::OrderGroup;
        else if (EndsSpecialClause(word))
            clauses_.back() = Clause::Value;
        previousWord_ = word;
    }

    void Number() {
        if (Prev() == '.') return GiveUp();  // t.1: not a number in any engine we speak to
        std::size_t end = pos_;
        bool decimal = false;
        while (IsDigit(At(end))) ++end;
        if (At(end) == '.') {
            decimal = true;
            ++end;
            while (IsDigit(At(end))) ++end;
        }
        if (At(end) == 'e' || At(end) == 'E') {
            std::size_t exp = end + 1;
            if (At(exp) == '+' || At(exp) == '-') ++exp;
            if (IsDigit(At(exp))) {
                decimal = true;
                end = exp;
                while (IsDigit(At(end))) ++end;
            }
        }
        if (IsIdentChar(At(end)) || At(end) == '.') return GiveUp();  // 0x1F, 1_000, 1e, 1.2.3
        const std::string_view text = sql_.substr(pos_, end - pos_);
        if (!InValueClause() || !Bindable(text, decimal)) return Copy(end);
        EmitParameter(decimal ? SqlLiteral::Kind::Decimal : SqlLiteral::Kind::Integer, std::string(text));
        pos_ = end;
    }

    bool Bindable(std::string_view text, bool decimal) const {
        const char* first = text.data();
        const char* last = text.data() + text.size();
        if (!decimal) {
            std::int64_t v = 0;
            auto [ptr, ec] = std::from_chars(first, last, v);
            return ec == std::errc() && ptr == last;
        }
        if (!bindDecimals_) return false;
        double d = 0;
        auto [ptr, ec] = std::from_chars(first, last, d);
        return ec == std::errc() && ptr == last && std::isfinite(d);
    }

    std::string_view sql_;
    PlaceholderStyle style_;
    bool bindDecimals_;
    std::size_t pos_ = 0;
    bool gaveUp_ = false;
    std::vector<Clause> clauses_;  // one per parenthesis depth
    std::string firstWord_;
    bool writes_ = false;
    std::string previousWord_;
    SqlShape shape_;
};

}  // namespace

SqlShape ShapeSql(std::string_view sql, PlaceholderStyle style, bool bindDecimals) {
    return Shaper(sql, style, bindDecimals).Run();
}

}  // namespace kx::db
