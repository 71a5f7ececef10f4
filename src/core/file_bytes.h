#pragma once
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace kx {

// The bytes of a file, at most maxBytes of them. Throws std::runtime_error
// with the system's error text when the file cannot be opened or read.
std::string ReadFileBytes(const std::filesystem::path& file, std::size_t maxBytes = std::string::npos);

// Appends bytes to a log file, made mode 0640 when missing: logs hold staff
// numbers and requests, not for every local user. False when it cannot be written.
bool AppendLogBytes(const std::filesystem::path& file, std::string_view bytes);

}  // namespace kx
