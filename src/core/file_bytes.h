#pragma once
#include <cstddef>
#include <filesystem>
#include <string>

namespace kx {

// The bytes of a file, at most maxBytes of them. Throws std::runtime_error
// with the system's error text when the file cannot be opened or read.
std::string ReadFileBytes(const std::filesystem::path& file, std::size_t maxBytes = std::string::npos);

}  // namespace kx
