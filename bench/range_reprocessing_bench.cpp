// Range reprocessing on a generated demo site (SQLite), measured three ways in one run:
//   1. in process: RunRangeReprocessing over the whole range;
//   2. end to end: a headless kx-ata driven by kx-ctl through the control mailbox;
//   3. the floor: the statements of run 1 replayed straight into a fresh copy.
// Each run works on its own copy of the same generated database.
// Options: --staff N --days D --from yyyymmdd (or KX_BENCH_STAFF, KX_BENCH_DAYS, KX_BENCH_FROM).
// With --window yes (needs a display, e.g. under xvfb-run) run 2 is done a second time
// with the agent's window shown (restored by a mailbox "WNM" before the "TRP").
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/agent_context.h"
#include "core/clock.h"
#include "core/text.h"
#include "db/database.h"
#include "kx-db/kx_db_tool.h"
#include "schedule/batch_control.h"
#include "schedule/range_reprocessing.h"

namespace fs = std::filesystem;
namespace db = kx::db;

namespace {

const std::string kStaffSelect = "select * from cards c, kt_cdext x where c.staff_number=x.staff_number";

struct BenchOptions {
    int staff = 1000;
    int days = 31;
    std::string from = "20250301";
    bool window = false;
};

std::string Setting(const char* env, std::string fallback) {
    const char* value = std::getenv(env);
    return value && *value ? value : fallback;
}

BenchOptions ParseOptions(int argc, char** argv) {
    BenchOptions o;
    o.staff = std::stoi(Setting("KX_BENCH_STAFF", std::to_string(o.staff)));
    o.days = std::stoi(Setting("KX_BENCH_DAYS", std::to_string(o.days)));
    o.from = Setting("KX_BENCH_FROM", o.from);
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        if (name == "--staff") o.staff = std::stoi(value);
        else if (name == "--days") o.days = std::stoi(value);
        else if (name == "--from") o.from = value;
        else if (name == "--window") o.window = value == "yes";
        else throw std::runtime_error("unknown option " + name + " (--staff N --days D --from yyyymmdd --window yes)");
    }
    if (o.staff < 1 || o.days < 1 || o.from.size() != 8) throw std::runtime_error("bad --staff, --days or --from");
    return o;
}

std::string LastDate(const std::string& from, int days) {
    using namespace std::chrono;
    const year_month_day first{year{std::stoi(from.substr(0, 4))}, month{unsigned(std::stoi(from.substr(4, 2)))},
                               day{unsigned(std::stoi(from.substr(6, 2)))}};
    const year_month_day last{sys_days{first} + std::chrono::days{days - 1}};
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02u%02u", int(last.year()), unsigned(last.month()), unsigned(last.day()));
    return text;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A fresh home holding a copy of the demo database as Kairox.db.
fs::path FreshHome(const fs::path& work, const std::string& name, const fs::path& demo) {
    const fs::path home = work / name;
    fs::create_directories(home);
    fs::copy_file(demo, home / "Kairox.db", fs::copy_options::overwrite_existing);
    return home;
}

long long CountRows(db::Database& database, const std::string& sql) {
    db::Query& q = database.Common3Query;
    q.SetSQL(sql);
    q.Open();
    const long long n = std::stoll(q.Field(0));
    q.Close();
    return n;
}

class QuietBatchControl : public kx::BatchControl {
public:
    void StopMailboxTimer() override {}
    void StartMailboxTimer() override {}
    void RefireBatch(kx::BatchKind) override {}
};

// Recorded statement texts, packed into one buffer.
struct Recording {
    std::string text;
    std::vector<std::size_t> ends;
    std::string_view At(std::size_t i) const {
        const std::size_t begin = i == 0 ? 0 : ends[i - 1];
        return std::string_view(text).substr(begin, ends[i] - begin);
    }
};

struct RunResult {
    double seconds = 0;
    long long attendRows = 0;
};

RunResult RunInProcess(const fs::path& home, const std::string& request, Recording* recording) {
    kx::SystemClock clock;
    kx::AgentContext ctx(home, clock);
    ctx.log.SetDetailThreshold(ctx.settings.options.ATA_Details);
    ctx.log.SetLogReprocess(ctx.settings.options.LogReprocess);
    ctx.staffDay.DataSource = "T";
    auto database = db::Database::Open("Kairox", home);
    ctx.db = database.get();
    if (recording)
        database->SetStatementRecorder([recording](std::string_view sql) {
            recording->text.append(sql);
            recording->ends.push_back(recording->text.size());
        });
    QuietBatchControl control;
    const auto start = std::chrono::steady_clock::now();
    kx::RunRangeReprocessing(ctx, request, control);
    RunResult result{SecondsSince(start), 0};
    database->SetStatementRecorder({});
    result.attendRows = CountRows(*database, "select count(*) from kt_attnd");
    return result;
}

bool IsSelect(std::string_view sql) {
    while (!sql.empty() && (sql.front() == ' ' || sql.front() == '\n' || sql.front() == '(')) sql.remove_prefix(1);
    return kx::EqualsNoCase(sql.substr(0, 6), "select");
}

RunResult Replay(const fs::path& home, const Recording& recording, long long& failed) {
    auto database = db::Database::Open("Kairox", home);
    db::Query& q = database->CommonQuery;
    const auto start = std::chrono::steady_clock::now();
    {
        db::Database::Batch batch(*database);
        for (std::size_t i = 0; i < recording.ends.size(); ++i) {
            const std::string_view sql = recording.At(i);
            q.SetSQL(std::string(sql));
            try {
                if (IsSelect(sql)) q.Open();
                else q.ExecSQL();
            } catch (const db::DbError&) {
                ++failed;  // the agent's run goes on after a refused statement too
            }
            database->CommitIfDue();
        }
        batch.End();
    }
    RunResult result{SecondsSince(start), 0};
    result.attendRows = CountRows(*database, "select count(*) from kt_attnd");
    return result;
}

// Runs a program with its output into `logFile`; returns its pid.
pid_t Spawn(const std::vector<std::string>& args, const fs::path& logFile) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        if (!std::freopen(logFile.c_str(), "a", stdout) || !std::freopen(logFile.c_str(), "a", stderr)) _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

int WaitFor(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunProgram(const std::vector<std::string>& args, const fs::path& logFile) { return WaitFor(Spawn(args, logFile)); }

// Shown: the agent gets the display and its window is restored before the run.
RunResult RunThroughAgent(const fs::path& bin, const fs::path& home, const BenchOptions& o, const std::string& last,
                          bool shown = false) {
    std::ofstream(home / "Kairox.ini") << "[Database]\nDBAlias=Kairox\n[Options]\nATA_Details=0\n";
    const std::string mailbox = "kx-bench-" + std::to_string(getpid()) + (shown ? "-shown" : "");
    const std::string ctl = (bin / "kx-ctl").string();
    const fs::path out = home / "programs.out";
    std::vector<std::string> agentArgs = {(bin / "kx-ata").string(), "--home", home.string(), "--mailbox", mailbox};
    if (!shown) agentArgs.insert(agentArgs.begin() + 1, "--headless");
    const pid_t agent = Spawn(agentArgs, out);
    RunResult result;
    try {
        // kx-ctl refuses at once until the agent holds its lock, so it is asked again a while.
        const auto asked = std::chrono::steady_clock::now();
        while (RunProgram({ctl, "--mailbox", mailbox, "--timeout", "30", "ack"}, out) != 0) {
            if (SecondsSince(asked) > 30) throw std::runtime_error("kx-ata did not answer; see " + out.string());
            usleep(100000);
        }
        if (shown && RunProgram({ctl, "--mailbox", mailbox, "--timeout", "30", "wnm"}, out) != 0)
            throw std::runtime_error("kx-ctl wnm failed; see " + out.string());
        if (shown) usleep(500000);  // the window is mapped and painted before the run, as an operator's would be
        const auto start = std::chrono::steady_clock::now();
        const int status =
            RunProgram({ctl, "--mailbox", mailbox, "--timeout", "3600", "trp", "D", o.from, last, kStaffSelect}, out);
        result.seconds = SecondsSince(start);
        if (status != 0) throw std::runtime_error("kx-ctl trp failed; see " + out.string());
    } catch (...) {
        if (RunProgram({ctl, "--mailbox", mailbox, "--timeout", "30", "end"}, out) != 0) kill(agent, SIGTERM);
        WaitFor(agent);
        throw;
    }
    if (RunProgram({ctl, "--mailbox", mailbox, "--timeout", "30", "end"}, out) != 0) kill(agent, SIGTERM);
    WaitFor(agent);
    auto database = db::Database::Open("Kairox", home);
    result.attendRows = CountRows(*database, "select count(*) from kt_attnd");
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const BenchOptions o = ParseOptions(argc, argv);
        const char* display = std::getenv("DISPLAY");
        if (o.window && !(display && *display))
            throw std::runtime_error("--window yes needs a display (run under xvfb-run -a)");
        const std::string last = LastDate(o.from, o.days);
        const long long staffDays = static_cast<long long>(o.staff) * o.days;
        const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
        char pattern[] = "/tmp/kx-bench-XXXXXX";
        if (!mkdtemp(pattern)) throw std::runtime_error("no temporary directory");
        const fs::path work = pattern;

        const fs::path demo = work / "demo.db";
        std::ostringstream toolOut, toolErr;
        if (kx::dbtool::RunKxDb({"demo", demo.string(), "--staff", std::to_string(o.staff), "--days",
                                 std::to_string(o.days), "--from", o.from, "--seed", "1"},
                                toolOut, toolErr) != 0)
            throw std::runtime_error("kx-db demo failed: " + toolErr.str());
        std::printf("Demo site: %d staff x %d days (%s..%s), %lld staff-days, SQLite, in %s\n", o.staff, o.days,
                    o.from.c_str(), last.c_str(), staffDays, work.c_str());

        const std::string request = "TRP" + std::string("D") + o.from + last + kStaffSelect;
        Recording recording;
        const RunResult inProcess = RunInProcess(FreshHome(work, "inprocess", demo), request, &recording);
        const RunResult agent = RunThroughAgent(bin, FreshHome(work, "agent", demo), o, last);
        RunResult shown;
        if (o.window) shown = RunThroughAgent(bin, FreshHome(work, "agent-shown", demo), o, last, true);
        long long failed = 0;
        const RunResult floor = Replay(FreshHome(work, "replay", demo), recording, failed);

        const auto rate = [&](const RunResult& r) { return staffDays / r.seconds; };
        std::printf("%-34s %10s %12s %14s %10s\n", "run", "seconds", "staff-days/s", "kt_attnd rows", "vs floor");
        const auto line = [&](const char* name, const RunResult& r) {
            std::printf("%-34s %10.2f %12.0f %14lld %9.2fx\n", name, r.seconds, rate(r), r.attendRows,
                        rate(r) / rate(floor));
        };
        line("1 in process (RunRangeReprocessing)", inProcess);
        line("2 kx-ata via kx-ctl trp", agent);
        if (o.window) {
            line("2w same, window shown (wnm)", shown);
            std::printf("Window shown vs headless: %.2fx\n", rate(shown) / rate(agent));
        }
        line("3 floor: statement replay", floor);
        std::printf("Replayed %zu statements (%lld refused)\n", recording.ends.size(), failed);
        fs::remove_all(work);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "range_reprocessing_bench: %s\n", e.what());
        return 1;
    }
}
