#pragma once
#include <string>
#include <string_view>

namespace kx::db {

// The one quoting helper for values placed between single quotes by the caller:
// doubles every single quote, so a value can never end the literal early.
inline std::string SqlQuote(std::string_view value) {
    std::string quoted;
    quoted.reserve(value.size() + 2);
    for (char c : value) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted;
}

}  // namespace kx::db
