#pragma once
#include <string>
#include <string_view>

namespace kx {

std::string Trim(std::string_view s);
// Case rules are ASCII's whatever the locale: other bytes are left as they are.
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);
// Characters from..to, 1-based and inclusive, clipped to the text (like a Pascal Copy).
std::string Mid(std::string_view s, std::size_t from1, std::size_t count);

}  // namespace kx
