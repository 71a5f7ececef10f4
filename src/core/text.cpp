#include "core/text.h"

#include <algorithm>
#include <cctype>

namespace kx {

std::string Trim(std::string_view s)
{
    // Like the classic trim: everything at or below blank counts as white space.
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return std::string(s.substr(b, e - b));
}

std::string UpperCase(std::string_view s)
{
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

std::string LowerCase(std::string_view s)
{
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string Mid(std::string_view s, std::size_t from1, std::size_t count)
{
    if (from1 < 1) from1 = 1;
    if (from1 > s.size()) return {};
    return std::string(s.substr(from1 - 1, count));
}

}  // namespace kx
