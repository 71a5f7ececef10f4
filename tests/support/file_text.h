#pragma once
// A file's whole content as the tests read it back.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace kx::test {

// Every byte of the file; "" when it does not exist.
inline std::string FileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace kx::test
