#include "core/file_bytes.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace kx {

std::string ReadFileBytes(const std::filesystem::path& file, std::size_t maxBytes) {
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

bool AppendLogBytes(const std::filesystem::path& file, std::string_view bytes) {
    const int fd = open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0640);
    if (fd < 0) return false;
    bool written = true;
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            written = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    close(fd);
    return written;
}

}  // namespace kx
