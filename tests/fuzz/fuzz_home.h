#pragma once
// What the parser targets share: a home directory whose main log is
// /dev/null, so every log line is built and written and none is kept, and the
// trap that marks a broken rule.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kx::fuzz {

class FuzzHome {
public:
    explicit FuzzHome(const char* tag) {
        std::string pattern = (std::filesystem::temp_directory_path() / (std::string(tag) + "_XXXXXX")).string();
        if (!mkdtemp(pattern.data())) std::abort();
        path_ = pattern;
        std::filesystem::create_symlink("/dev/null", path_ / "KX_ATA.Log");
    }
    ~FuzzHome() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    FuzzHome(const FuzzHome&) = delete;
    FuzzHome& operator=(const FuzzHome&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline void Require(bool rule) {
    if (!rule) __builtin_trap();
}

}  // namespace kx::fuzz
