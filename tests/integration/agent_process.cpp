#include "agent_process.h"

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "support/file_text.h"
#include "support/log_texts.h"
#include "support/mailbox_files.h"

namespace kx::test {
std::string UniqueMailboxName() {
    static std::atomic<int> counter{0};
    return "kx-it-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

void AgentHome::WriteIni(std::string_view text) const { std::ofstream(path() / "Kairox.ini") << text; }

void AgentHome::CreateDatabase() const {
    const ProgramResult made = RunProgram({BinPath("kx-db").string(), "create", DatabaseFile().string()});
    if (made.status != 0) throw std::runtime_error("kx-db create failed: " + made.err);
}

void AgentHome::CreateDemo(int staff, int days, const std::string& from) const {
    const ProgramResult made = RunProgram({BinPath("kx-db").string(), "demo", DatabaseFile().string(), "--staff",
                                           std::to_string(staff), "--days", std::to_string(days), "--from", from});
    if (made.status != 0) throw std::runtime_error("kx-db demo failed: " + made.err);
}

std::vector<std::string> AgentHome::LogLines() const { return LogTexts(path() / "KX_ATA.Log"); }

bool AgentHome::Logged(std::string_view text) const { return HasText(LogLines(), text); }

RunningAgent::RunningAgent(const AgentHome& home, std::vector<std::string> extraArgs, std::string mailbox)
    : home_(home),
      mailbox_(std::move(mailbox)),
      outFile_(home.path().string() + ".stdout"),
      errFile_(home.path().string() + ".stderr") {
    std::vector<std::string> args{BinPath("kx-ata").string(), "--headless", "--home",
                                  home.path().string(),       "--mailbox",  mailbox_};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    process_.emplace(args, outFile_, errFile_);
}

RunningAgent::~RunningAgent() {
    process_->Kill();
    RemoveMailboxFiles(mailbox_);
    std::error_code ec;
    std::filesystem::remove(outFile_, ec);
    std::filesystem::remove(errFile_, ec);
}

bool RunningAgent::WaitForLog(std::string_view text, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!home_.Logged(text)) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

std::string RunningAgent::StandardOutput() const { return FileText(outFile_); }
std::string RunningAgent::StandardError() const { return FileText(errFile_); }

}  // namespace kx::test
