// Range reprocessing on a generated demo site, on SQLite and PostgreSQL, measured
// three ways per backend in one run:
//   1. in process: RunRangeReprocessing over the whole range (in a child process of its own);
//   2. end to end: a headless kx-ata driven by kx-ctl through the control mailbox;
//   3. the floor: the statements of run 1 replayed straight into a fresh copy.
// Each run works on its own copy of the same generated site (an SQLite file, or a
// schema of its own on the PostgreSQL server); the copies must end with the same
// kt_attnd rows.
// Options: --staff N --days D --from yyyymmdd --backend sqlite|postgres|both --pg URI
// (or KX_BENCH_STAFF, KX_BENCH_DAYS, KX_BENCH_FROM, KX_BENCH_BACKEND, KX_TEST_PG).
// With --window yes (needs a display, e.g. under xvfb-run) run 2 is done a second time
// with the agent's window shown (restored by a mailbox "WNM" before the "TRP").
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "comms/agent_lock.h"
#include "core/agent_context.h"
#include "core/clock.h"
#include "core/mailbox_protocol.h"
#include "core/text.h"
#include "db/database.h"
#include "kx-db/kx_db_tool.h"
#include "schedule/batch_control.h"
#include "schedule/range_reprocessing.h"
#include "support/bench_programs.h"

namespace fs = std::filesystem;
namespace db = kx::db;

namespace {

const std::string kStaffSelect = "select * from cards c, kt_cdext x where c.staff_number=x.staff_number";
const std::string kAttendRows = "select * from kt_attnd order by staff_number, at_date";
constexpr const char* kChildMode = "--in-process-child";

struct BenchOptions {
    int staff = 1000;
    int days = 31;
    std::string from = "20250301";
    bool window = false;
    bool sqlite = true;
    bool postgres = false;
    std::string pgUri;
};

std::string Setting(const char* env, std::string fallback) {
    const char* value = std::getenv(env);
    return value && *value ? value : fallback;
}

BenchOptions ParseOptions(int argc, char** argv) {
    const char* usage = " (--staff N --days D --from yyyymmdd --backend sqlite|postgres|both --pg URI --window yes)";
    BenchOptions o;
    o.staff = std::stoi(Setting("KX_BENCH_STAFF", std::to_string(o.staff)));
    o.days = std::stoi(Setting("KX_BENCH_DAYS", std::to_string(o.days)));
    o.from = Setting("KX_BENCH_FROM", o.from);
    o.pgUri = Setting("KX_TEST_PG", "");
    std::string backend = Setting("KX_BENCH_BACKEND", "");
    if ((argc - 1) % 2 != 0) throw std::runtime_error(std::string("every option wants a value") + usage);
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        if (name == "--staff")
            o.staff = std::stoi(value);
        else if (name == "--days")
            o.days = std::stoi(value);
        else if (name == "--from")
            o.from = value;
        else if (name == "--window")
            o.window = value == "yes";
        else if (name == "--backend")
            backend = value;
        else if (name == "--pg")
            o.pgUri = value;
        else
            throw std::runtime_error("unknown option " + name + usage);
    }
    if (o.staff < 1 || o.days < 1 || o.from.size() != 8) throw std::runtime_error("bad --staff, --days or --from");
    if (backend.empty()) backend = o.pgUri.empty() ? "sqlite" : "both";
    if (backend != "sqlite" && backend != "postgres" && backend != "both")
        throw std::runtime_error("--backend wants sqlite, postgres or both");
    o.sqlite = backend != "postgres";
    o.postgres = backend != "sqlite";
    if (o.postgres && o.pgUri.empty())
        throw std::runtime_error("--backend " + backend + " wants --pg URI or KX_TEST_PG");
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

long long CountRows(db::Database& database, const std::string& sql) {
    db::Query& q = database.Common3Query;
    q.SetSQL(sql);
    q.Open();
    const long long n = std::stoll(q.Field(0));
    q.Close();
    return n;
}

// VmHWM of /proc/PID/status in kB, -1 when unreadable. Unlike ru_maxrss it
// belongs to the address space the program has since its exec: a child's
// ru_maxrss starts from the parent's size at the fork.
long PeakRssKb(const std::string& pid) {
    std::ifstream status("/proc/" + pid + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
    return -1;
}

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class QuietBatchControl : public kx::BatchControl {
public:
    void StopMailboxTimer() override {}
    void StartMailboxTimer() override {}
    void RefireBatch(kx::BatchKind) override {}
};

struct RunResult {
    bool done = false;
    double seconds = 0;
    long long attendRows = 0;
    std::optional<double> waitsPerStaffDay;  // none when the counter is another process's
    long peakRssKb = -1;
};

// ---------------------------------------------------------------- run 1, in a child process

// The statement texts go to a file, each closed by a NUL, so the recording costs
// no memory in the run and the replay reads them one at a time.
int InProcessChild(const std::string& alias, const fs::path& home, const std::string& request,
                   const fs::path& recordFile, const fs::path& resultFile) {
    FILE* record = std::fopen(recordFile.c_str(), "wb");
    if (!record) throw std::runtime_error("cannot write " + recordFile.string());
    static char buffer[1 << 20];
    std::setvbuf(record, buffer, _IOFBF, sizeof buffer);
    kx::SystemClock clock;
    kx::AgentContext ctx(home, clock);
    ctx.log.SetDetailThreshold(ctx.settings.options.ATA_Details);
    ctx.log.SetLogReprocess(ctx.settings.options.LogReprocess);
    ctx.staffDay.DataSource = "T";
    auto database = db::Database::Open(alias, home);
    ctx.db = database.get();
    database->SetStatementRecorder([record](std::string_view sql) {
        std::fwrite(sql.data(), 1, sql.size(), record);
        std::fputc('\0', record);
    });
    QuietBatchControl control;
    const std::uint64_t waitsBefore = database->ServerWaits();
    const auto start = std::chrono::steady_clock::now();
    kx::RunRangeReprocessing(ctx, request, control);
    const double seconds = SecondsSince(start);
    const std::uint64_t waits = database->ServerWaits() - waitsBefore;
    database->SetStatementRecorder({});
    if (std::fclose(record) != 0) throw std::runtime_error("cannot write " + recordFile.string());
    const long long rows = CountRows(*database, "select count(*) from kt_attnd");
    database.reset();
    std::ofstream(resultFile) << seconds << ' ' << rows << ' ' << waits << ' ' << PeakRssKb("self") << '\n';
    return 0;
}

// ---------------------------------------------------------------- sites

// One copy of the demo site: a home, and the database as [Database] DBAlias names it
// (Kairox.db in the home, or the server URI with a schema of its own as search path).
struct Copy {
    fs::path home;
    std::string alias;
};

std::string WithSearchPath(const std::string& uri, const std::string& schema) {
    return uri + (uri.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" + schema;
}

void RunDemo(const std::string& target, const BenchOptions& o) {
    std::ostringstream out, err;
    if (kx::dbtool::RunKxDb({"demo", target, "--staff", std::to_string(o.staff), "--days", std::to_string(o.days),
                             "--from", o.from, "--seed", "1"},
                            out, err) != 0)
        throw std::runtime_error("kx-db demo failed: " + err.str());
}

// SQLite copies are copies of one generated file; each PostgreSQL copy is generated
// into its schema with the same seed, hence the same data. The schemas are dropped
// at the end.
class Sites {
public:
    Sites(const fs::path& work, const BenchOptions& o, bool postgres)
        : work_(work / (postgres ? "postgres" : "sqlite")), o_(o), postgres_(postgres) {
        fs::create_directories(work_);
        if (!postgres_) RunDemo((work_ / "demo.db").string(), o_);
    }
    ~Sites() {
        if (schemas_.empty()) return;
        try {
            auto admin = db::Database::Open(o_.pgUri, work_);
            for (const std::string& schema : schemas_)
                admin->ExecScript("set lock_timeout = '10s'; drop schema " + schema + " cascade");
        } catch (const std::exception& e) {
            std::fprintf(stderr, "range_reprocessing_bench: schemas not dropped: %s\n", e.what());
        }
    }
    Sites(const Sites&) = delete;
    Sites& operator=(const Sites&) = delete;

    Copy Make(const std::string& name) {
        Copy copy{work_ / name, {}};
        fs::create_directories(copy.home);
        if (postgres_) {
            const std::string schema = "kx_range_bench_" + std::to_string(getpid()) + "_" + name;
            db::Database::Open(o_.pgUri, work_)->ExecScript("create schema " + schema);
            schemas_.push_back(schema);
            copy.alias = WithSearchPath(o_.pgUri, schema);
            RunDemo(copy.alias, o_);
        } else {
            fs::copy_file(work_ / "demo.db", copy.home / "Kairox.db");
            copy.alias = "Kairox";
        }
        return copy;
    }

private:
    fs::path work_;
    const BenchOptions& o_;
    bool postgres_;
    std::vector<std::string> schemas_;
};

// ---------------------------------------------------------------- the three runs

RunResult RunInProcess(const Copy& copy, const std::string& request, const fs::path& recordFile, long long staffDays) {
    const fs::path resultFile = copy.home / "inprocess.result", out = copy.home / "inprocess.out";
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    kx::bench::Processes processes;
    if (processes.Run(
            {self, kChildMode, copy.alias, copy.home.string(), request, recordFile.string(), resultFile.string()},
            out) != 0)
        throw std::runtime_error("in-process run failed: " + ReadFile(out));
    std::istringstream in(ReadFile(resultFile));
    RunResult result;
    double waits = 0;
    if (!(in >> result.seconds >> result.attendRows >> waits >> result.peakRssKb))
        throw std::runtime_error("in-process run left no result; see " + out.string());
    result.done = true;
    result.waitsPerStaffDay = waits / staffDays;
    return result;
}

bool IsSelect(std::string_view sql) {
    while (!sql.empty() && (sql.front() == ' ' || sql.front() == '\n' || sql.front() == '(')) sql.remove_prefix(1);
    return kx::EqualsNoCase(sql.substr(0, 6), "select");
}

RunResult Replay(const Copy& copy, const fs::path& recordFile, long long staffDays, long long& replayed,
                 long long& refused) {
    FILE* record = std::fopen(recordFile.c_str(), "rb");
    if (!record) throw std::runtime_error("cannot read " + recordFile.string());
    auto database = db::Database::Open(copy.alias, copy.home);
    db::Query& q = database->CommonQuery;
    char* text = nullptr;
    std::size_t capacity = 0;
    const std::uint64_t waitsBefore = database->ServerWaits();
    const auto start = std::chrono::steady_clock::now();
    {
        db::Database::Batch batch(*database);
        for (ssize_t n; (n = getdelim(&text, &capacity, '\0', record)) > 0;) {
            const std::string_view sql(text, static_cast<std::size_t>(n) - 1);
            q.SetSQL(std::string(sql));
            ++replayed;
            try {
                if (IsSelect(sql))
                    q.Open();
                else
                    q.ExecSQL();
            } catch (const db::DbError&) {
                ++refused;  // the agent's run goes on after a refused statement too
            }
            database->CommitIfDue();
        }
        batch.End();
    }
    RunResult result;
    result.seconds = SecondsSince(start);
    result.waitsPerStaffDay = double(database->ServerWaits() - waitsBefore) / staffDays;
    std::free(text);
    std::fclose(record);
    result.attendRows = CountRows(*database, "select count(*) from kt_attnd");
    result.done = true;
    return result;
}

// The mailbox block and the lock files of the agent and kx-ctl, which outlive them.
struct MailboxFiles {
    std::string name;
    ~MailboxFiles() { kx::bench::RemoveMailboxFiles(name); }
};

// Shown: the agent gets the display and its window is restored before the run.
RunResult RunThroughAgent(const fs::path& bin, const Copy& copy, const BenchOptions& o, const std::string& last,
                          bool shown = false) {
    std::ofstream(copy.home / "Kairox.ini") << "[Database]\nDBAlias=" << copy.alias << "\n[Options]\nATA_Details=0\n";
    const std::string mailbox = "kx-bench-" + std::to_string(getpid()) + "-" +
                                copy.home.parent_path().filename().string() + "-" + copy.home.filename().string();
    const MailboxFiles files{mailbox};
    const std::string ctl = (bin / "kx-ctl").string();
    const fs::path out = copy.home / "programs.out";
    std::vector<std::string> agentArgs = {(bin / "kx-ata").string(), "--home", copy.home.string(), "--mailbox",
                                          mailbox};
    if (!shown) agentArgs.insert(agentArgs.begin() + 1, "--headless");
    kx::bench::Processes processes;
    const pid_t agent = processes.Spawn(agentArgs, out, out);
    RunResult result;
    try {
        // kx-ctl refuses at once until the agent holds its lock, so it is asked again a while.
        const auto asked = std::chrono::steady_clock::now();
        while (processes.Run({ctl, "--mailbox", mailbox, "--timeout", "30", "ack"}, out) != 0) {
            if (SecondsSince(asked) > 30) throw std::runtime_error("kx-ata did not answer; see " + out.string());
            usleep(100000);
        }
        if (shown && processes.Run({ctl, "--mailbox", mailbox, "--timeout", "30", "wnm"}, out) != 0)
            throw std::runtime_error("kx-ctl wnm failed; see " + out.string());
        if (shown) usleep(500000);  // the window is mapped and painted before the run, as an operator's would be
        const auto start = std::chrono::steady_clock::now();
        const int status = processes.Run(
            {ctl, "--mailbox", mailbox, "--timeout", "3600", "trp", "D", o.from, last, kStaffSelect}, out);
        result.seconds = SecondsSince(start);
        if (status != 0) throw std::runtime_error("kx-ctl trp failed; see " + out.string());
        result.peakRssKb = PeakRssKb(std::to_string(agent));
    } catch (...) {
        if (processes.Run({ctl, "--mailbox", mailbox, "--timeout", "30", "end"}, out) != 0) kill(agent, SIGTERM);
        processes.Wait(agent);
        throw;
    }
    if (processes.Run({ctl, "--mailbox", mailbox, "--timeout", "30", "end"}, out) != 0) kill(agent, SIGTERM);
    processes.Wait(agent);
    auto database = db::Database::Open(copy.alias, copy.home);
    result.attendRows = CountRows(*database, "select count(*) from kt_attnd");
    result.done = true;
    return result;
}

// ---------------------------------------------------------------- identical tables

// kt_attnd of one copy: per row its key and a hash of all its texts, in byte
// order of the key (the engines' collations need not agree).
struct AttendRow {
    std::string key;
    std::size_t hash;
    bool operator<(const AttendRow& other) const { return key < other.key; }
};

std::vector<AttendRow> ReadAttend(const Copy& copy) {
    auto database = db::Database::Open(copy.alias, copy.home);
    db::ResultSet rows;
    database->Run(kAttendRows, &rows);
    std::size_t staffColumn = 0, dateColumn = 0;
    for (std::size_t c = 0; c < rows.columns.size(); ++c) {
        if (kx::EqualsNoCase(rows.columns[c], "staff_number")) staffColumn = c;
        if (kx::EqualsNoCase(rows.columns[c], "at_date")) dateColumn = c;
    }
    const std::size_t width = rows.columns.size();
    std::vector<AttendRow> result;
    result.reserve(rows.rowCount);
    std::string text;
    for (std::size_t r = 0; r < rows.rowCount; ++r) {
        const std::string* row = &rows.cells[r * width];
        text.clear();
        for (std::size_t c = 0; c < width; ++c) text.append(row[c]).push_back('\x1f');
        result.push_back({row[staffColumn] + '\x1f' + row[dateColumn], std::hash<std::string>{}(text)});
    }
    std::sort(result.begin(), result.end());
    return result;
}

// Rows present in one copy only, or with other texts in the other.
long long Mismatches(const std::vector<AttendRow>& a, const std::vector<AttendRow>& b) {
    long long n = 0;
    std::size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        if (j == b.size() || (i < a.size() && a[i].key < b[j].key)) {
            ++n;
            ++i;
        } else if (i == a.size() || b[j].key < a[i].key) {
            ++n;
            ++j;
        } else {
            n += a[i++].hash != b[j++].hash;
        }
    }
    return n;
}

// ---------------------------------------------------------------- one backend

struct BackendRuns {
    const char* name;
    RunResult inProcess, agent, shown, floor;
    long long replayed = 0, refused = 0;
    std::vector<std::pair<std::string, long long>> mismatches;  // copy vs run 1
    std::vector<AttendRow> first;                               // run 1's table, for the other backend
};

BackendRuns RunBackend(const fs::path& work, const fs::path& bin, const BenchOptions& o, bool postgres,
                       const std::string& last, long long staffDays) {
    BackendRuns runs;
    runs.name = postgres ? "PostgreSQL" : "SQLite";
    const auto setupStart = std::chrono::steady_clock::now();
    Sites sites(work, o, postgres);
    const Copy inProcessCopy = sites.Make("inprocess"), agentCopy = sites.Make("agent"),
               replayCopy = sites.Make("replay");
    const Copy shownCopy = o.window ? sites.Make("agentshown") : Copy{};
    std::printf("%s: %s in %.1f s\n", runs.name,
                postgres ? "the site generated into a schema per run" : "the site generated and copied per run",
                SecondsSince(setupStart));

    const std::string request = kx::mailbox::RangeRequestText("D", o.from, last, kStaffSelect);
    const fs::path recordFile = work / (std::string(postgres ? "postgres" : "sqlite") + ".statements");
    runs.inProcess = RunInProcess(inProcessCopy, request, recordFile, staffDays);
    runs.agent = RunThroughAgent(bin, agentCopy, o, last);
    if (o.window) runs.shown = RunThroughAgent(bin, shownCopy, o, last, true);
    runs.floor = Replay(replayCopy, recordFile, staffDays, runs.replayed, runs.refused);
    fs::remove(recordFile);

    runs.first = ReadAttend(inProcessCopy);
    runs.mismatches.push_back({"2 vs 1", Mismatches(ReadAttend(agentCopy), runs.first)});
    if (o.window) runs.mismatches.push_back({"2w vs 1", Mismatches(ReadAttend(shownCopy), runs.first)});
    runs.mismatches.push_back({"3 vs 1", Mismatches(ReadAttend(replayCopy), runs.first)});
    return runs;
}

void PrintTable(const BackendRuns& runs, const BackendRuns* sqlite, long long staffDays) {
    const auto rate = [&](const RunResult& r) { return staffDays / r.seconds; };
    std::printf("\n%s\n", runs.name);
    std::printf("%-36s %9s %12s %13s %9s %10s %15s %12s\n", "run", "seconds", "staff-days/s", "kt_attnd rows",
                "vs floor", "vs SQLite", "waits/staff-day", "peak RSS MB");
    const auto line = [&](const char* name, const RunResult& r, const RunResult* onSqlite) {
        char vsSqlite[32] = "-", waits[32] = "n/a (agent's)", rss[32] = "-";
        if (onSqlite && onSqlite->done) std::snprintf(vsSqlite, sizeof vsSqlite, "%.2fx", rate(r) / rate(*onSqlite));
        if (r.waitsPerStaffDay) std::snprintf(waits, sizeof waits, "%.2f", *r.waitsPerStaffDay);
        if (r.peakRssKb >= 0) std::snprintf(rss, sizeof rss, "%.1f", r.peakRssKb / 1024.0);
        std::printf("%-36s %9.2f %12.0f %13lld %8.2fx %10s %15s %12s\n", name, r.seconds, rate(r), r.attendRows,
                    rate(r) / rate(runs.floor), vsSqlite, waits, rss);
    };
    line("1 in process (RunRangeReprocessing)", runs.inProcess, sqlite ? &sqlite->inProcess : nullptr);
    line("2 kx-ata via kx-ctl trp", runs.agent, sqlite ? &sqlite->agent : nullptr);
    if (runs.shown.done) {
        line("2w same, window shown (wnm)", runs.shown, sqlite ? &sqlite->shown : nullptr);
        std::printf("Window shown vs headless: %.2fx\n", rate(runs.shown) / rate(runs.agent));
    }
    line("3 floor: statement replay", runs.floor, sqlite ? &sqlite->floor : nullptr);
    std::printf("Replayed %lld statements (%lld refused)\n", runs.replayed, runs.refused);
    std::printf("kt_attnd rows differing from run 1:");
    for (const auto& [copies, n] : runs.mismatches) std::printf(" %s: %lld;", copies.c_str(), n);
    std::printf("\n");
}

// A work directory in /tmp, removed with everything in it.
struct WorkDir {
    WorkDir() {
        char pattern[] = "/tmp/kx-bench-XXXXXX";
        if (!mkdtemp(pattern)) throw std::runtime_error("no temporary directory");
        path = pattern;
    }
    ~WorkDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    WorkDir(const WorkDir&) = delete;
    WorkDir& operator=(const WorkDir&) = delete;
    fs::path path;
};

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 7 && std::string_view(argv[1]) == kChildMode)
            return InProcessChild(argv[2], argv[3], argv[4], argv[5], argv[6]);
        const BenchOptions o = ParseOptions(argc, argv);
        const char* display = std::getenv("DISPLAY");
        if (o.window && !(display && *display))
            throw std::runtime_error("--window yes needs a display (run under xvfb-run -a)");
        const std::string last = LastDate(o.from, o.days);
        const long long staffDays = static_cast<long long>(o.staff) * o.days;
        const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
        const WorkDir work;
        std::printf("Demo site: %d staff x %d days (%s..%s), %lld staff-days, seed 1, %s, in %s\n", o.staff, o.days,
                    o.from.c_str(), last.c_str(), staffDays,
                    o.sqlite && o.postgres ? "SQLite and PostgreSQL"
                    : o.sqlite             ? "SQLite"
                                           : "PostgreSQL",
                    work.path.c_str());

        std::optional<BackendRuns> sqlite, postgres;
        if (o.sqlite) sqlite = RunBackend(work.path, bin, o, false, last, staffDays);
        if (o.postgres) postgres = RunBackend(work.path, bin, o, true, last, staffDays);

        long long differing = 0;
        if (sqlite) {
            PrintTable(*sqlite, nullptr, staffDays);
            for (const auto& m : sqlite->mismatches) differing += m.second;
        }
        if (postgres) {
            PrintTable(*postgres, sqlite ? &*sqlite : nullptr, staffDays);
            for (const auto& m : postgres->mismatches) differing += m.second;
        }
        if (sqlite && postgres) {
            const long long across = Mismatches(postgres->first, sqlite->first);
            differing += across;
            std::printf("\nkt_attnd rows differing between PostgreSQL run 1 and SQLite run 1: %lld\n", across);
            std::printf("PostgreSQL end to end vs SQLite end to end: %.2fx\n",
                        sqlite->agent.seconds / postgres->agent.seconds);
        }
        if (differing > 0) {
            std::printf("The copies' kt_attnd tables differ.\n");
            return 2;
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "range_reprocessing_bench: %s\n", e.what());
        return 1;
    }
}
