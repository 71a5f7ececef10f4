#include "core/int_text.h"

#include <limits>

#include "core/text.h"

namespace kx {
namespace {

int DigitValue(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    return v < base ? v : -1;
}

}  // namespace

std::optional<long long> ParseIntegerText(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    } else if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;

    // Accumulated as a negative number so that the most negative value fits.
    constexpr long long kMin = std::numeric_limits<long long>::min();
    long long value = 0;
    bool saturated = false;
    for (const char c : text) {
        const int d = DigitValue(c, base);
        if (d < 0) return std::nullopt;
        if (saturated) continue;
        if (value < (kMin + d) / base) {
            saturated = true;
            value = kMin;
        } else {
            value = value * base - d;
        }
    }
    if (negative) return value;
    return value == kMin ? std::numeric_limits<long long>::max() : -value;
}

std::optional<int> ParseTrimmedInt32(std::string_view text) {
    const std::optional<long long> value = ParseIntegerText(Trim(text));
    if (!value || *value < std::numeric_limits<int>::min() || *value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(*value);
}

}  // namespace kx
