#include "core/file_bytes.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace kx {

std::string ReadFileBytes(const std::filesystem::path& file, std::size_t maxBytes)
{
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (!in) throw std::runtime_error("Cannot open file \"" + file.string() + "\". " + std::strerror(errno));
    std::string bytes;
    char buf[8192];
    while (bytes.size() < maxBytes) {
        const std::size_t want = std::min(sizeof buf, maxBytes - bytes.size());
        const std::size_t got = std::fread(buf, 1, want, in);
        bytes.append(buf, got);
        if (got < want) break;
    }
    const bool failed = std::ferror(in) != 0;
    const int error = errno;
    std::fclose(in);
    if (failed) throw std::runtime_error("Cannot read file \"" + file.string() + "\". " + std::strerror(error));
    return bytes;
}

}  // namespace kx
