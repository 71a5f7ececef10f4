#pragma once
// kx-fep in the background for the integration tests: started on a free
// loopback port, which it names in its first line.
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/file_text.h"
#include "support/program_runner.h"

namespace kx::test {

class FepSimulator {
public:
    // kx-fep --listen LISTEN [args...]; its output goes to `outputFile`.
    FepSimulator(const std::vector<std::string>& args, std::filesystem::path outputFile,
                 const std::string& listen = "127.0.0.1:0")
        : output_(std::move(outputFile)), program_(Command(listen, args), output_) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        const std::string prefix = "kx-fep listening on 127.0.0.1:";
        while (port_ == 0 && std::chrono::steady_clock::now() < until && program_.Running()) {
            const std::string out = Output();
            if (const auto at = out.find(prefix); at != std::string::npos) {
                const auto end = out.find('\n', at);
                if (end != std::string::npos)
                    port_ = std::stoi(out.substr(at + prefix.size(), end - at - prefix.size()));
            }
            if (port_ == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    int Port() const { return port_; }  // 0 when it did not start
    std::string Output() const { return FileText(output_); }
    // Waits until its output holds `text`.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds limit = std::chrono::seconds(20)) const {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (Output().find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() >= until) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

private:
    static std::vector<std::string> Command(const std::string& listen, const std::vector<std::string>& args) {
        std::vector<std::string> command = {BinPath("kx-fep").string(), "--listen", listen};
        command.insert(command.end(), args.begin(), args.end());
        return command;
    }

    std::filesystem::path output_;
    BackgroundProgram program_;
    int port_ = 0;
};

}  // namespace kx::test
