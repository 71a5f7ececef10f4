#pragma once
// The logs as the tests read them back: each line's text without the
// "dd/mm/yy hh:nn:ss : " stamp in front of it.
#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace kx::test {

inline constexpr std::size_t kLogStampWidth = 20;

// A shorter line is kept whole, so that a test sees it rather than a throw.
inline std::string LogText(const std::string& line) {
    return line.size() >= kLogStampWidth ? line.substr(kLogStampWidth) : line;
}

// Every line's text, in order; none when the file does not exist.
inline std::vector<std::string> LogTexts(const std::filesystem::path& file) {
    std::vector<std::string> texts;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) texts.push_back(LogText(line));
    return texts;
}

inline bool HasText(const std::vector<std::string>& texts, std::string_view text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

inline bool HasTextStartingWith(const std::vector<std::string>& texts, std::string_view start) {
    return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.starts_with(start); });
}

inline bool HasTextContaining(const std::vector<std::string>& texts, std::string_view part) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

}  // namespace kx::test
