#include "shell/console_mirror.h"

#include <unistd.h>
#include <algorithm>

namespace kx {
namespace {

constexpr int kBusy = 999;
constexpr int kBarWidth = 40;

}  // namespace

ConsoleMirror ConsoleMirror::ForStandardOutput() { return ConsoleMirror(stdout, isatty(STDOUT_FILENO) == 1); }

std::string ConsoleMirror::BarText(int value) {
    if (value == kBusy) return "[" + std::string(kBarWidth, '.') + "] busy";
    const int percent = std::clamp(value, 0, 100);
    const int filled = percent * kBarWidth / 100;
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(kBarWidth - filled), '-') + "] " + std::to_string(value) + " %";
}

void ConsoleMirror::Message(std::string_view text) {
    if (terminal_) EraseBar();
    Write(std::string(text) + "\n");
    if (terminal_ && value_ != 0) DrawBar();
}

void ConsoleMirror::Progress(int value) {
    value_ = value;
    if (terminal_) {
        if (value == 0)
            EraseBar();
        else
            DrawBar();
        return;
    }
    if (value == kBusy) return;
    const int step = std::clamp(value, 0, 100) / 10;
    if (step > lastStep_) Write("Progress " + std::to_string(step * 10) + " %\n");
    lastStep_ = step;  // a smaller value starts the steps again (ready, or a new batch)
}

void ConsoleMirror::EraseBar() {
    if (!barShown_) return;
    Write("\r\033[K");
    barShown_ = false;
}

void ConsoleMirror::DrawBar() {
    Write("\r\033[K" + BarText(value_));
    barShown_ = true;
}

void ConsoleMirror::Write(const std::string& text) {
    if (!out_) return;
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fflush(out_);
}

}  // namespace kx
