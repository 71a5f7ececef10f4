#pragma once
// Runs the built programs (kx-ata, kx-ctl, kx-db, kx-fep) and scripts from the
// tests: to the end with their output captured, or in the background with
// their output in files. Standard input is /dev/null.
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kx::test {

// KX_BIN_DIR (set by ctest), or "bin".
std::filesystem::path ProgramDir();
// ProgramDir()/program.
std::filesystem::path BinPath(std::string_view program);
// Whether the program is there (tests skip when it is not).
bool ProgramBuilt(std::string_view program);

enum class ErrorOutput {
    Apart,       // standard error in ProgramResult::err
    IntoOutput,  // standard error interleaved with standard output in ProgramResult::out
};

struct ProgramResult {
    int status = -1;  // exit status; 128 + signal when a signal ended it; -1 when it could not run
    std::string out;
    std::string err;
};

// Runs args[0] with the rest as its arguments and waits for it; kills it after the timeout.
ProgramResult RunProgram(const std::vector<std::string>& args, ErrorOutput errors = ErrorOutput::Apart,
                         std::chrono::milliseconds timeout = std::chrono::minutes(10));

// A program running in the background, its standard output going to outFile
// and its standard error to errFile, or to outFile as well when errFile is
// empty. Killed when still running at destruction.
class BackgroundProgram {
public:
    BackgroundProgram(const std::vector<std::string>& args, const std::filesystem::path& outFile,
                      const std::filesystem::path& errFile = {});  // throws when it cannot start
    ~BackgroundProgram() { Kill(); }
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    pid_t Pid() const { return pid_; }
    void Signal(int signal) const;
    bool Running() { return !WaitExit(std::chrono::milliseconds(0)).has_value(); }
    // The exit status (128 + signal when a signal ended it) once it has ended
    // within the timeout; nullopt otherwise.
    std::optional<int> WaitExit(std::chrono::milliseconds timeout);
    // SIGKILL when still running, then waits for it.
    void Kill();

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// Whether some process holds a flock on the file (a running kx-ata holds its mailbox lock).
bool FileLockedElsewhere(const std::filesystem::path& file);

}  // namespace kx::test
