#pragma once
#include <cstdio>
#include <string>
#include <string_view>

namespace kx {

// Headless mode shows the status window's messages and progress on standard
// output: on a terminal as a progress bar redrawn in place, otherwise one line
// per message and per 10 % step, so logs and pipes stay readable.
class ConsoleMirror {
public:
    ConsoleMirror(std::FILE* out, bool terminal) : out_(out), terminal_(terminal) {}
    // For standard output, asking whether it is a terminal.
    static ConsoleMirror ForStandardOutput();

    void Message(std::string_view text);
    // The values of SetGradBar: 0 ready, 1 to 100 a percentage, 999 busy.
    void Progress(int value);

    // The bar line drawn on a terminal for a value (without the carriage return).
    static std::string BarText(int value);

private:
    void EraseBar();
    void DrawBar();
    void Write(const std::string& text);

    std::FILE* out_;
    bool terminal_;
    int value_ = 0;
    bool barShown_ = false;
    int lastStep_ = 0;  // the last 10 % step written
};

}  // namespace kx
