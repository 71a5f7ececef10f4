// The status window's share of a range run: what the run calls per staff-day
// (SetGradBar, the application title, MemoAdd, one event dispatch), timed with the
// window headless, minimised and shown, with no work between the calls and with
// --work-us of busy work standing for the staff-day itself.
// Options: --calls N (KX_BENCH_CALLS, default 10000), --work-us U (KX_BENCH_WORK_US,
// default 50). Without a display the offscreen platform is used; under xvfb-run
// the X server's.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include <QApplication>
#include <QGuiApplication>

#include "core/agent_context.h"
#include "core/clock.h"
#include "schedule/range_reprocessing.h"
#include "schedule/range_request.h"
#include "shell/console_mirror.h"
#include "shell/status_window.h"

namespace fs = std::filesystem;

namespace {

class QuietOwner final : public kx::StatusWindowOwner {
public:
    void SendMFThis(std::string_view) override {}
    void ResetLastAutoProcessDate() override {}
    bool MainWindowMayClose() override { return true; }
};

enum class Mode { Headless, Minimised, Shown };

const char* ModeName(Mode mode) {
    switch (mode) {
    case Mode::Headless: return "headless (mirror to /dev/null)";
    case Mode::Minimised: return "window minimised";
    case Mode::Shown: return "window shown";
    }
    return "";
}

struct Result {
    double seconds = 0;
    bool onScreen = false;
    bool finalStateRight = false;
};

void SetApplicationTitle(const std::string& title) {
    QGuiApplication::setApplicationDisplayName(QString::fromStdString(title));
}

// The window system's answers to showing and restoring arrive asynchronously.
void Settle() {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (std::chrono::steady_clock::now() < until) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Busy, not asleep: a sleeping loop would leave the event dispatch nothing to catch up.
void Work(int microseconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(microseconds);
    while (std::chrono::steady_clock::now() < until) {
    }
}

Result Run(Mode mode, long long calls, int workUs, const fs::path& home) {
    kx::SystemClock clock;
    kx::AgentContext ctx(home, clock);
    QuietOwner owner;
    std::FILE* devNull = std::fopen("/dev/null", "w");
    if (!devNull) throw std::runtime_error("cannot open /dev/null");
    kx::ConsoleMirror mirror(devNull, false);
    Result result;
    {
        kx::StatusWindow window(ctx, owner, mode == Mode::Headless, mode == Mode::Headless ? &mirror : nullptr);
        window.SetTitle("Brisk Attendance Agent");
        // As in the agent: minimised at start, restored (mailbox "WNM") a while later.
        window.ShowAtStart();
        Settle();
        if (mode == Mode::Shown) {
            window.RestoreNormal();
            Settle();
        }
        result.onScreen = window.isVisible() && !window.isMinimized();

        const std::chrono::year_month_day first{std::chrono::year{2025}, std::chrono::March, std::chrono::day{1}};
        const auto start = std::chrono::steady_clock::now();
        for (long long done = 1; done <= calls; ++done) {
            const long long percent = done * 100 / calls;
            window.SetGradBar(percent == 0 ? 999 : static_cast<int>(percent));
            SetApplicationTitle(kx::RangeProgressTitle(done, calls));
            char staff[32];
            std::snprintf(staff, sizeof staff, "E%05lld", done / 31);
            const std::chrono::year_month_day date{std::chrono::sys_days{first} + std::chrono::days{done % 31}};
            window.MemoAdd("Process " + std::string(staff) + " on " + kx::DayMonthYearText(date));
            QCoreApplication::processEvents();
            if (workUs > 0) Work(workUs);
        }
        SetApplicationTitle("Brisk Attendance Agent");
        window.SetGradBar(0);
        QCoreApplication::processEvents();
        result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        result.finalStateRight =
            mode != Mode::Shown || (window.MemoShownText() == window.MemoLines().join('\n') &&
                                    window.StatePanelText() == "Ready" && window.PercentText().isEmpty());
    }
    std::fclose(devNull);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        long long calls = 10000;
        int workUs = 50;
        if (const char* env = std::getenv("KX_BENCH_CALLS"); env && *env) calls = std::stoll(env);
        if (const char* env = std::getenv("KX_BENCH_WORK_US"); env && *env) workUs = std::stoi(env);
        for (int i = 1; i < argc; i += 2) {
            const std::string name = argv[i];
            if (i + 1 < argc && name == "--calls")
                calls = std::stoll(argv[i + 1]);
            else if (i + 1 < argc && name == "--work-us")
                workUs = std::stoi(argv[i + 1]);
            else
                throw std::runtime_error("unknown option " + name + " (--calls N --work-us U)");
        }
        if (calls < 1 || workUs < 0) throw std::runtime_error("bad --calls or --work-us");
        const char* display = std::getenv("DISPLAY");
        if (!std::getenv("QT_QPA_PLATFORM") && !(display && *display)) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        int qtArgc = 1;
        char name[] = "status_window_bench";
        char* qtArgv[] = {name, nullptr};
        QApplication app(qtArgc, qtArgv);

        char pattern[] = "/tmp/kx-swbench-XXXXXX";
        if (!mkdtemp(pattern)) throw std::runtime_error("no temporary directory");
        const fs::path home = pattern;

        std::printf("Platform %s, %lld staff-days of SetGradBar + title + MemoAdd + processEvents\n",
                    QGuiApplication::platformName().toUtf8().constData(), calls);
        std::printf("%-32s %8s %10s %12s %14s %11s %12s %10s\n", "mode", "work us", "seconds", "calls/s",
                    "window us/call", "vs headless", "final state", "on screen");
        for (const int work : {0, workUs}) {
            double headlessRate = 0;
            for (const Mode mode : {Mode::Headless, Mode::Minimised, Mode::Shown}) {
                const Result r = Run(mode, calls, work, home);
                const double rate = calls / r.seconds;
                if (mode == Mode::Headless) headlessRate = rate;
                std::printf("%-32s %8d %10.3f %12.0f %14.1f %10.3fx %12s %10s\n", ModeName(mode), work, r.seconds, rate,
                            r.seconds / calls * 1e6 - work, rate / headlessRate, r.finalStateRight ? "right" : "WRONG",
                            r.onScreen ? "yes" : "no");
            }
            if (workUs == 0) break;
        }
        fs::remove_all(home);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "status_window_bench: %s\n", e.what());
        return 1;
    }
}
