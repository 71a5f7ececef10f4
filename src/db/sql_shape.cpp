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

// No keyword the shaper looks for is longer; a longer word is only ever a name.
constexpr std::size_t kLongestKeyword = 16;

// The word in lower case, into `buffer` when it is short enough to be a keyword,
// otherwise empty (the statement cache sees every word, so this is on its path).
std::string_view LowerKeyword(std::string_view word, std::array<char, kLongestKeyword>& buffer) {
    if (word.size() > buffer.size()) return {};
    for (std::size_t i = 0; i < word.size(); ++i) {
        const char c = word[i];
        buffer[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return {buffer.data(), word.size()};
}

// Characters with no meaning of their own to the shaper: copied as they stand.
bool IsPlain(char c) {
    switch (c) {
    // clang-format off
    case '-': case '/': case '\'': case '"': case '`': case '[': case '.': case '?': case '$':
    case ':': case '@': case '(': case ')': case ';':
        // clang-format on
        return false;
    default: return !IsIdentStart(c) && !IsDigit(c);
    }
}

bool OneOf(std::string_view word, std::initializer_list<std::string_view> words) {
    for (std::string_view w : words)
        if (word == w) return true;
    return false;
}

// Keywords that open a clause in which a literal is an ordinary value again.
// Sorted by length: every word of every statement is looked up here.
bool EndsSpecialClause(std::string_view word) {
    switch (word.size()) {
    case 2: return word == "on";
    case 3: return word == "set";
    case 4: return OneOf(word, {"from", "into", "join"});
    case 5: return OneOf(word, {"where", "limit", "union", "fetch", "using", "group", "order"});
    case 6: return OneOf(word, {"having", "offset", "except", "window", "values"});
    case 9: return OneOf(word, {"intersect", "returning"});
    default: return false;
    }
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
        shape_.literals.reserve(16);
        clauses_.reserve(4);
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
        } else {
            std::size_t end = pos_ + 1;
            while (end < sql_.size() && IsPlain(sql_[end])) ++end;
            return Copy(end);
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
            const std::size_t quote = sql_.find('\'', i);
            if (quote == std::string_view::npos) return GiveUp();
            value.append(sql_.substr(i, quote - i));
            if (At(quote + 1) != '\'') {
                i = quote;
                break;
            }
            value += '\'';
            i = quote + 2;
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
        std::array<char, kLongestKeyword> buffer;
        const std::string_view word = LowerKeyword(sql_.substr(pos_, end - pos_), buffer);
        Copy(end);
        if (firstWord_.empty()) {
            firstWord_ = std::string(word);  // empty for a word too long to be a keyword: given up below
            if (!IsShapedStatement(word)) return GiveUp();
        }
        if (word == "into" || word == "for") writes_ = true;  // select into, select for update
        if (word == "select")
            clauses_.back() = Clause::SelectList;
        else if (word == "by" && afterOrderOrGroup_)
            clauses_.back() = Clause::OrderGroup;
        else if (EndsSpecialClause(word))
            clauses_.back() = Clause::Value;
        afterOrderOrGroup_ = word == "order" || word == "group";
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
    bool afterOrderOrGroup_ = false;  // the word before was "order" or "group"
    SqlShape shape_;
};

}  // namespace

SqlShape ShapeSql(std::string_view sql, PlaceholderStyle style, bool bindDecimals) {
    return Shaper(sql, style, bindDecimals).Run();
}

}  // namespace kx::db
