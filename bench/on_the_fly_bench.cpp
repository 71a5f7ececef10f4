// Clockings on the fly, on a generated demo site, measured in one run:
//   1. FormatClockData with the attendance server's reprocessing, in process;
//   2. hand-out by kx-fep -> the packet in the receive queue, in process (TMsgForm);
//   3. end to end: kx-fep -> kx-ata --server -> "OLD"/"DLO" through the mailbox;
//   4. the poll turn of idle FEPs, from kx-fep's stamped traffic;
//   5. eight kx-fep at once, drained with "OLD" as fast as the agent answers;
//   6. the agent's CPU with eight idle FEPs connected.
// Each part works on its own copy of the same generated site.
// Options: --staff N --clockings N --backend sqlite|postgres --pg URI
// (or KX_BENCH_STAFF, KX_BENCH_CLOCKINGS, KX_BENCH_BACKEND, KX_TEST_PG).
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "assembly/auto_fit_pattern.h"
#include "assembly/startup_sys_values.h"
#include "comms/agent_lock.h"
#include "comms/command_buffers.h"
#include "comms/format_clock_data.h"
#include "comms/msg_form.h"
#include "comms/receive_queue.h"
#include "comms/shared_block.h"
#include "core/agent_context.h"
#include "core/clock.h"
#include "core/text.h"
#include "db/database.h"
#include "db/run_sql.h"
#include "kx-db/kx_db_tool.h"
#include "shell/job_display_table.h"
#include "shell/settings_derivation.h"
#include "shell/settings_file.h"
#include "support/bench_programs.h"

namespace fs = std::filesystem;
namespace db = kx::db;
using namespace std::chrono_literals;
using namespace kx::bench;

namespace {

constexpr int kDemoDays = 31;
const std::string kDemoFrom = "20250301";
constexpr int kFepCount = 8;
constexpr auto kIdlePollWindow = 5s;
constexpr auto kCpuWindow = 10s;
constexpr auto kWatcherSleep = 20us;

struct BenchOptions {
    int staff = 200;
    int clockings = 1000;
    bool postgres = false;
    std::string pgUri;
};

std::string Setting(const char* env, std::string fallback) {
    const char* value = std::getenv(env);
    return value && *value ? value : fallback;
}

BenchOptions ParseOptions(int argc, char** argv) {
    BenchOptions o;
    o.staff = std::stoi(Setting("KX_BENCH_STAFF", std::to_string(o.staff)));
    o.clockings = std::stoi(Setting("KX_BENCH_CLOCKINGS", std::to_string(o.clockings)));
    std::string backend = Setting("KX_BENCH_BACKEND", "sqlite");
    o.pgUri = Setting("KX_TEST_PG", "");
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        if (name == "--staff")
            o.staff = std::stoi(value);
        else if (name == "--clockings")
            o.clockings = std::stoi(value);
        else if (name == "--backend")
            backend = value;
        else if (name == "--pg")
            o.pgUri = value;
        else
            throw std::runtime_error("unknown option " + name +
                                     " (--staff N --clockings N --backend sqlite|postgres --pg URI)");
    }
    if (argc % 2 == 0) throw std::runtime_error(std::string("option ") + argv[argc - 1] + " wants a value");
    if (backend != "sqlite" && backend != "postgres") throw std::runtime_error("--backend wants sqlite or postgres");
    o.postgres = backend == "postgres";
    if (o.postgres && o.pgUri.empty()) throw std::runtime_error("--backend postgres wants --pg URI or KX_TEST_PG");
    if (o.staff < 1 || o.clockings < kFepCount) throw std::runtime_error("bad --staff or --clockings (at least 8)");
    return o;
}

struct Distribution {
    std::size_t n = 0;
    double median = 0, p99 = 0, max = 0;
};

Distribution Distribute(std::vector<double> values) {
    Distribution d;
    d.n = values.size();
    if (values.empty()) return d;
    std::sort(values.begin(), values.end());
    const auto rank = [&](double q) { return values[std::min(values.size() - 1, std::size_t(q * values.size()))]; };
    d.median = rank(0.5);
    d.p99 = rank(0.99);
    d.max = values.back();
    return d;
}

// ---------------------------------------------------------------- sites

// A copy of the demo site: a home with Kairox.ini, and the database the agent and
// kx-fep use (an SQLite file in the home, or a schema of its own on PostgreSQL).
struct Site {
    fs::path home;
    std::string alias;   // [Database] DBAlias
    std::string target;  // the same database for kx-fep --db
};

std::string WithSearchPath(const std::string& uri, const std::string& schema) {
    return uri + (uri.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" + schema;
}

void RunDemo(const std::string& target, const BenchOptions& o) {
    std::ostringstream out, err;
    if (kx::dbtool::RunKxDb({"demo", target, "--staff", std::to_string(o.staff), "--days", std::to_string(kDemoDays),
                             "--from", kDemoFrom, "--seed", "1"},
                            out, err) != 0)
        throw std::runtime_error("kx-db demo failed: " + err.str());
}

class Sites {
public:
    Sites(const fs::path& work, const BenchOptions& o) : work_(work), o_(o) {
        if (!o.postgres) RunDemo((work / "demo.db").string(), o);
    }
    ~Sites() {
        if (schemas_.empty()) return;
        try {
            auto admin = db::Database::Open(o_.pgUri, work_);
            for (const std::string& schema : schemas_) admin->Run("drop schema " + schema + " cascade", nullptr);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "on_the_fly_bench: schemas not dropped: %s\n", e.what());
        }
    }
    Sites(const Sites&) = delete;
    Sites& operator=(const Sites&) = delete;

    Site Make(const std::string& name) {
        Site site;
        site.home = work_ / name;
        fs::create_directories(site.home);
        if (o_.postgres) {
            const std::string schema = "kx_otf_bench_" + std::to_string(getpid()) + "_" + name;
            {
                auto admin = db::Database::Open(o_.pgUri, work_);
                admin->Run("create schema " + schema, nullptr);
            }
            schemas_.push_back(schema);
            site.alias = site.target = WithSearchPath(o_.pgUri, schema);
            RunDemo(site.target, o_);
        } else {
            fs::copy_file(work_ / "demo.db", site.home / "Kairox.db");
            site.alias = "Kairox";
            site.target = (site.home / "Kairox.db").string();
        }
        std::ofstream(site.home / "Kairox.ini")
            << "[Database]\nDBAlias=" << site.alias << "\n[Options]\nATA_Details=0\nAutoProcess=0\n";
        return site;
    }

private:
    fs::path work_;
    const BenchOptions& o_;
    std::vector<std::string> schemas_;
};

long long CountRows(const Site& site, const std::string& sql) {
    auto database = db::Database::Open(site.alias, site.home);
    db::ResultSet rows;
    database->Run(sql, &rows);
    return rows.rowCount ? std::stoll(rows.cells[0]) : 0;
}

// ---------------------------------------------------------------- clockings

struct Clocking {
    std::string record;  // as the controller reports it, led by "C"
    std::string key;     // card + dd/mm/yyyy + hh:nn, as the on-line record shows them
};

// Every card in turn, one staff-day after the other within the demo's range, in
// and out alternating; no two clockings share card, date and time.
std::vector<Clocking> MakeClockings(const Site& site, int n) {
    auto database = db::Database::Open(site.alias, site.home);
    db::ResultSet rows;
    database->Run(
        "select c.card_number from cards c, kt_cdext x where c.staff_number = x.staff_number"
        " and trim(coalesce(c.card_type, '')) <> 'T' order by c.card_number",
        &rows);
    std::vector<std::string> cards;
    for (std::size_t r = 0; r < rows.rowCount; ++r)
        if (rows.cells[r].size() == 6) cards.push_back(rows.cells[r]);
    if (cards.empty()) throw std::runtime_error("the demo site has no six-character cards");

    using namespace std::chrono;
    const year_month_day first{year{std::stoi(kDemoFrom.substr(0, 4))},
                               month{unsigned(std::stoi(kDemoFrom.substr(4, 2)))},
                               day{unsigned(std::stoi(kDemoFrom.substr(6, 2)))}};
    std::vector<Clocking> clockings;
    for (int i = 0; i < n; ++i) {
        const std::string& card = cards[i % cards.size()];
        const int round = i / int(cards.size());
        const bool in = round % 2 == 0;
        const int dayIndex = (round / 2) % kDemoDays;
        const int minute = (round / (2 * kDemoDays)) % 60;
        const year_month_day date{sys_days{first} + days{dayIndex}};
        char stamp[16], shown[32];
        std::snprintf(stamp, sizeof stamp, "%02d%02u%02u%02d%02d", int(date.year()) % 100, unsigned(date.month()),
                      unsigned(date.day()), in ? 8 : 17, minute);
        std::snprintf(shown, sizeof shown, "%02u/%02u/%04d%02d:%02d", unsigned(date.day()), unsigned(date.month()),
                      int(date.year()), in ? 8 : 17, minute);
        clockings.push_back({"C01" + std::string(stamp) + card + (in ? "0" : "9") + "000", card + shown});
    }
    return clockings;
}

std::string KeyOfRecord(const std::string& record)  // "C01yymmddhhmmCARD.."
{
    return record.substr(13, 6) + record.substr(7, 2) + "/" + record.substr(5, 2) + "/20" + record.substr(3, 2) +
           record.substr(9, 2) + ":" + record.substr(11, 2);
}

// "09name,dd/mm/yyyy,hh:nn,activity,department,source,card,staff,photo"
std::string KeyOfOnLineRecord(const std::string& text) {
    std::vector<std::string> fields;
    std::size_t begin = 0;
    for (std::size_t comma; (comma = text.find(',', begin)) != std::string::npos; begin = comma + 1)
        fields.push_back(text.substr(begin, comma - begin));
    fields.push_back(text.substr(begin));
    if (fields.size() < 9) return {};
    return fields[fields.size() - 3] + fields[fields.size() - 8] + fields[fields.size() - 7];
}

// ---------------------------------------------------------------- processes

void Feed(Fep& fep, const std::vector<Clocking>& clockings) {
    std::string text;
    for (const Clocking& c : clockings) text += c.record + "\n";
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = write(fep.input, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw std::runtime_error("cannot feed kx-fep");
        done += std::size_t(n);
    }
    close(fep.input);
    fep.input = -1;
}

// What kx-fep's stamped traffic tells.
struct FepTraffic {
    std::map<int, std::vector<long long>> polls;  // by connection, the receipt of each poll
    std::map<std::string, long long> handedOut;   // by clocking key, the last hand-out
    int handOuts = 0;
    int putBack = 0;
    bool connected = false;
};

FepTraffic ReadTraffic(const Fep& fep) {
    FepTraffic t;
    for (const std::string& line : ReadLines(fep.out)) {
        const std::size_t blank = line.find(' ');
        if (blank == std::string::npos || line.starts_with("kx-fep ")) continue;
        const long long at = std::stoll(line.substr(0, blank));
        const std::string rest = line.substr(blank + 1);
        const std::size_t tagEnd = rest.find(' ');
        if (!rest.starts_with("#") || tagEnd == std::string::npos) continue;
        const int connection = std::stoi(rest.substr(1, tagEnd - 1));
        const std::string what = rest.substr(tagEnd + 1);
        if (what == "<- <SOH><CR>")
            t.polls[connection].push_back(at);
        else if (what.starts_with("-> clocking ")) {
            t.handedOut[KeyOfRecord(what.substr(12))] = at;
            ++t.handOuts;
        } else if (what.ends_with(" put back"))
            ++t.putBack;
        else if (what.starts_with("connected from"))
            t.connected = true;
    }
    return t;
}

int HandOuts(const Fep& fep) {
    int n = 0;
    for (const std::string& line : ReadLines(fep.out)) n += line.find(" -> clocking ") != std::string::npos;
    return n;
}

int LinesWith(const fs::path& file, const std::string& text) {
    int n = 0;
    for (const std::string& line : ReadLines(file)) n += line.find(text) != std::string::npos;
    return n;
}

// Milliseconds between consecutive polls of a connection received within [from, to].
std::vector<double> PollTurns(const std::vector<FepTraffic>& traffic, long long from, long long to) {
    std::vector<double> turns;
    for (const FepTraffic& t : traffic)
        for (const auto& [connection, polls] : t.polls)
            for (std::size_t i = 1; i < polls.size(); ++i)
                if (polls[i - 1] >= from && polls[i] <= to) turns.push_back((polls[i] - polls[i - 1]) / 1000.0);
    return turns;
}

// ---------------------------------------------------------------- the agent in process

// The agent's start-up as far as the on-the-fly path needs it: settings, database,
// the start-up values of kt_sys, the work areas, the job display table, the
// auto-fit patterns, server mode and the two values of the settings table.
struct InProcessAgent {
    explicit InProcessAgent(const Site& site) : ctx(site.home, clock) {
        ctx.flags.endReceived = false;
        ctx.derived.offDaysDisabled = false;
        ctx.derived.offDayList = "17";
        ctx.derived.breakPattern = "________";
        ctx.staffDay.DataSource = "T";
        kx::ReadSettingsFile(ctx);
        kx::DeriveSettingValues(ctx);
        database = db::Database::Open(ctx.settings.database.DBAlias, ctx.home);
        ctx.db = database.get();
        kx::LoadStartupSysValues(ctx);
        kx::LoadJobDisplayTable(ctx);
        if (ctx.settings.options.AutoFit) kx::GetAutoFitPattern(ctx);
        kx::ApplyServerMode(ctx.settings, true);
        ctx.derived.ignoreLEIfWorkOK = kx::UpperCase(db::ReadKTINI(ctx, "Attend", "IgnoreLEIfWorkOK", "0")) == "1";
        ctx.derived.lastAAPDate = db::ReadKTINI(ctx, "Attend", "LastAAPDate", kx::DateText(ctx.clock.Now()));
    }

    kx::SystemClock clock;
    std::unique_ptr<db::Database> database;
    kx::AgentContext ctx;
};

struct FormatResult {
    std::vector<double> ms;
    int empty = 0;
    long long attendRows = 0;
};

FormatResult TimeFormatClockData(const Site& site, const std::vector<Clocking>& clockings) {
    FormatResult result;
    {
        InProcessAgent agent(site);
        kx::CommandBuffers buffers;
        for (const Clocking& c : clockings) {
            const std::string packet = "O" + c.record.substr(1);  // as the receive queue holds it
            const auto start = std::chrono::steady_clock::now();
            const std::string record = kx::FormatClockData(agent.ctx, packet, buffers);
            result.ms.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            result.empty += record.empty();
        }
    }
    result.attendRows = CountRows(site, "select count(*) from kt_attnd");
    return result;
}

class QuietConnectionsHost final : public kx::ConnectionsHost, public kx::SocketDialogs {
public:
    void MemoAdd(std::string_view) override {}
    void SetMessageAreaColour(MessageColour) override {}
    void ProcessEvents() override { QCoreApplication::processEvents(); }
    void ShowSocketBox(const std::string& caption, const std::string& text, bool) override {
        std::fprintf(stderr, "on_the_fly_bench: socket box %s: %s\n", caption.c_str(), text.c_str());
    }
};

struct QueueResult {
    std::vector<double> ms;
    int arrived = 0;
    int unmatched = 0;
};

// The controller connections of the agent against one kx-fep; a watcher thread
// takes the packets out of the receive queue as they come.
QueueResult TimeHandOutToQueue(Processes& processes, const fs::path& bin, const Site& site,
                               const std::vector<Clocking>& clockings) {
    Fep fep = StartFep(processes, bin, site.home, "fep", {"--stamp", "--clockings", "-"}, true);
    DefineFeps(site.alias, site.home, {fep.port});
    InProcessAgent agent(site);
    kx::CommandBuffers commands;
    kx::ReceiveQueue queue;
    queue.Reset();
    QuietConnectionsHost host;
    std::vector<std::pair<std::string, long long>> arrivals;
    {
        kx::TMsgForm form(agent.ctx, commands, queue, host, host);
        form.FormCreate();
        if (!form.Feps()[1].Connected) throw std::runtime_error("FEP 1 did not connect");

        std::atomic<bool> stop{false};
        std::atomic<int> arrived{0};
        std::thread watcher([&] {
            std::string packet;
            while (!stop.load()) {
                while (queue.TakePacket(packet)) {
                    arrivals.emplace_back(packet, NowMicros());
                    ++arrived;
                }
                std::this_thread::sleep_for(kWatcherSleep);
            }
        });
        Feed(fep, clockings);
        const auto deadline = std::chrono::steady_clock::now() + 30s + clockings.size() * 200ms;
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, [&] {
            if (arrived.load() >= int(clockings.size()) || std::chrono::steady_clock::now() > deadline) loop.quit();
        });
        check.start(20);
        loop.exec();
        stop = true;
        watcher.join();
        form.FormClose();
    }
    processes.End(fep.pid);
    const FepTraffic traffic = ReadTraffic(fep);
    QueueResult result;
    result.arrived = int(arrivals.size());
    for (const auto& [packet, at] : arrivals) {
        const auto found = traffic.handedOut.find(KeyOfRecord(packet));
        if (found == traffic.handedOut.end())
            ++result.unmatched;
        else
            result.ms.push_back((at - found->second) / 1000.0);
    }
    return result;
}

// ---------------------------------------------------------------- the agent as a program

void WaitConnected(const std::vector<Fep>& feps) {
    for (const auto end = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < end;) {
        if (std::all_of(feps.begin(), feps.end(), [](const Fep& f) { return !ReadTraffic(f).polls.empty(); })) return;
        std::this_thread::sleep_for(50ms);
    }
    throw std::runtime_error("not every kx-fep was polled by the agent");
}

struct DrainResult {
    std::vector<double> withClocking, empty;  // "OLD" -> "DLO", ms
    std::vector<std::pair<std::string, long long>> received;
    long long fed = 0, last = 0;
    int handedOut = 0;
    bool timedOut = false;
};

// "OLD" after "OLD" until every clocking came, or every one was handed out and the
// queue answers empty, or the time is up.
DrainResult Drain(MailboxClient& client, std::vector<Fep>& feps, const std::vector<std::vector<Clocking>>& perFep) {
    DrainResult r;
    std::size_t total = 0;
    for (const auto& c : perFep) total += c.size();
    r.fed = NowMicros();
    for (std::size_t i = 0; i < feps.size(); ++i) Feed(feps[i], perFep[i]);
    const auto deadline = std::chrono::steady_clock::now() + 30s + total * 250ms;
    auto nextCount = std::chrono::steady_clock::now();
    int emptyInARow = 0;
    while (r.received.size() < total) {
        if (std::chrono::steady_clock::now() > deadline) {
            r.timedOut = true;
            break;
        }
        const auto reply = client.Old(10s);
        if (!reply) {
            r.timedOut = true;
            break;
        }
        if (reply->record.empty()) {
            r.empty.push_back(reply->ms);
            ++emptyInARow;
        } else {
            r.withClocking.push_back(reply->ms);
            r.received.emplace_back(KeyOfOnLineRecord(reply->record), reply->at);
            r.last = reply->at;
            emptyInARow = 0;
        }
        if (emptyInARow >= 3 && std::chrono::steady_clock::now() >= nextCount) {
            nextCount = std::chrono::steady_clock::now() + 1s;
            int handedOut = 0;
            for (const Fep& f : feps) handedOut += HandOuts(f);
            if (handedOut >= int(total)) break;
        }
    }
    for (const Fep& f : feps) r.handedOut += HandOuts(f);
    return r;
}

double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t paren = stat.rfind(')');
    if (paren == std::string::npos) throw std::runtime_error("no /proc stat for the agent");
    std::istringstream fields(stat.substr(paren + 2));
    std::vector<std::string> f;
    for (std::string x; fields >> x;) f.push_back(x);
    if (f.size() < 13) throw std::runtime_error("short /proc stat for the agent");
    return double(std::stoll(f[11]) + std::stoll(f[12])) / double(sysconf(_SC_CLK_TCK));  // utime + stime
}

// Failure lines of the agent's main log: "dd/mm/yy hh:nn:ss : <Tag>...".
std::vector<std::string> FailureLines(const Site& site) {
    std::vector<std::string> failures;
    for (const std::string& line : ReadLines(site.home / "KX_ATA.Log"))
        if (line.size() > 20 && line[20] == '<') failures.push_back(line.substr(20));
    return failures;
}

std::vector<double> HandOutToDlo(const DrainResult& drain, const std::vector<FepTraffic>& traffic, int& unmatched) {
    std::vector<double> ms;
    unmatched = 0;
    for (const auto& [key, at] : drain.received) {
        bool found = false;
        for (const FepTraffic& t : traffic)
            if (const auto it = t.handedOut.find(key); it != t.handedOut.end()) {
                ms.push_back((at - it->second) / 1000.0);
                found = true;
                break;
            }
        unmatched += !found;
    }
    return ms;
}

struct EndToEnd {
    DrainResult drain;
    std::vector<double> handOutToDlo, idleTurns;
    int unmatched = 0, notStored = 0, putBack = 0, duplicates = 0;
    double cpuPercent = -1;
    std::vector<std::string> failures;
};

// kx-ata --server against `fepCount` kx-fep. One FEP: an idle window before the
// clockings are fed gives the poll turn. Eight: the idle window after the drain
// gives the poll turn and the agent's CPU.
EndToEnd RunEndToEnd(Processes& processes, const fs::path& bin, const Site& site,
                     const std::vector<Clocking>& clockings, int fepCount) {
    EndToEnd e;
    std::vector<Fep> feps;
    std::vector<int> ports;
    for (int i = 1; i <= fepCount; ++i) {
        feps.push_back(StartFep(processes, bin, site.home, "fep" + std::to_string(i),
                                {"--stamp", "--clockings", "-", "--db", site.target}, true));
        ports.push_back(feps.back().port);
    }
    DefineFeps(site.alias, site.home, ports);
    std::vector<std::vector<Clocking>> perFep(fepCount);
    for (std::size_t i = 0; i < clockings.size(); ++i) perFep[i % fepCount].push_back(clockings[i]);

    MailboxClient client("kx-otf-bench-" + std::to_string(getpid()) + "-" + std::to_string(fepCount));
    const pid_t agent = StartAgent(processes, bin, site.home, client.Name());
    long long idleFrom = 0, idleTo = 0;
    try {
        client.WaitForAgent(agent, site.home / "kx-ata.out");
        WaitConnected(feps);
        if (fepCount == 1) {
            idleFrom = NowMicros();
            std::this_thread::sleep_for(kIdlePollWindow);
            idleTo = NowMicros();
        }
        e.drain = Drain(client, feps, perFep);
        if (fepCount > 1) {
            std::this_thread::sleep_for(2s);  // the last refresh messages go out to FEP 1
            idleFrom = NowMicros();
            const double before = CpuSeconds(agent);
            std::this_thread::sleep_for(kCpuWindow);
            const double after = CpuSeconds(agent);
            idleTo = NowMicros();
            e.cpuPercent = 100.0 * (after - before) / ((idleTo - idleFrom) / 1e6);
        }
    } catch (...) {
        client.End(processes, agent);
        throw;
    }
    client.End(processes, agent);
    std::vector<FepTraffic> traffic;
    for (Fep& f : feps) {
        processes.End(f.pid);
        traffic.push_back(ReadTraffic(f));
        e.notStored += LinesWith(f.err, " not stored: ");
        e.putBack += traffic.back().putBack;
    }
    e.handOutToDlo = HandOutToDlo(e.drain, traffic, e.unmatched);
    e.idleTurns = PollTurns(traffic, idleFrom, idleTo);
    std::map<std::string, int> seen;
    for (const auto& [key, at] : e.drain.received) e.duplicates += seen[key]++ > 0;
    e.failures = FailureLines(site);
    return e;
}

// ---------------------------------------------------------------- report

void Row(const char* what, const Distribution& d, const std::string& note = "") {
    std::printf("%-46s %6zu %9.2f %9.2f %9.2f  %s\n", what, d.n, d.median, d.p99, d.max, note.c_str());
}

std::string Target(const Distribution& d, double limit) {
    char text[64];
    std::snprintf(text, sizeof text, "median <= %.0f ms: %s", limit, d.median <= limit ? "met" : "NOT met");
    return text;
}

double Rate(std::size_t n, long long fromMicros, long long toMicros) {
    return toMicros > fromMicros ? n / ((toMicros - fromMicros) / 1e6) : 0;
}

void ReportFailures(const char* part, const std::vector<std::string>& failures) {
    if (failures.empty()) return;
    std::printf("  %s: %zu failure lines in KX_ATA.Log, first: %s\n", part, failures.size(), failures[0].c_str());
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const BenchOptions o = ParseOptions(argc, argv);
        int qtArgc = 1;
        QCoreApplication app(qtArgc, argv);  // the controller connections want an event loop
        const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
        const WorkDir workDir("kx-otf-bench");
        const fs::path& work = workDir.path;
        std::optional<EndToEnd> one, eight;
        FormatResult format;
        QueueResult queue;
        std::vector<Clocking> clockings;
        {
            Sites sites(work, o);
            Processes processes;
            const Site inProcess = sites.Make("format");
            clockings = MakeClockings(inProcess, o.clockings);
            std::printf("Demo site: %d staff x %d days from %s, %s; %d clockings of %s, in %s\n", o.staff, kDemoDays,
                        kDemoFrom.c_str(), o.postgres ? "PostgreSQL" : "SQLite", o.clockings,
                        clockings.size() > 1 ? "in/out in turn" : "one card", work.c_str());
            std::fflush(stdout);
            format = TimeFormatClockData(inProcess, clockings);
            queue = TimeHandOutToQueue(processes, bin, sites.Make("queue"), clockings);
            one = RunEndToEnd(processes, bin, sites.Make("agent1"), clockings, 1);
            eight = RunEndToEnd(processes, bin, sites.Make("agent8"), clockings, kFepCount);
        }

        const std::size_t n = clockings.size();
        std::printf("\n%-46s %6s %9s %9s %9s\n", "measure (ms unless told)", "n", "median", "p99", "max");
        const Distribution fcd = Distribute(format.ms);
        Row("1 FormatClockData + reprocessing, in process", fcd, Target(fcd, o.postgres ? 5 : 2));
        Row("2 hand-out -> receive queue, in process", Distribute(queue.ms));
        Row("3 OLD -> DLO carrying a clocking, 1 FEP", Distribute(one->drain.withClocking));
        Row("3 OLD -> DLO empty, 1 FEP", Distribute(one->drain.empty));
        Row("3 hand-out -> DLO carrying it, 1 FEP", Distribute(one->handOutToDlo),
            "(upper bound of hand-out -> queue)");
        Row("4 poll turn, 1 FEP idle, 5 s", Distribute(one->idleTurns));
        Row("4 poll turn, 8 FEPs idle, 10 s", Distribute(eight->idleTurns));
        Row("5 OLD -> DLO carrying a clocking, 8 FEPs", Distribute(eight->drain.withClocking));
        Row("5 hand-out -> DLO carrying it, 8 FEPs", Distribute(eight->handOutToDlo));

        std::printf("\n1 FormatClockData: %zu packets, %d gave the empty record; kt_attnd rows afterwards %lld\n",
                    format.ms.size(), format.empty, format.attendRows);
        std::printf("2 receive queue: %d of %zu arrived (%d not matched to a hand-out); watcher polls every %lld us\n",
                    queue.arrived, n, queue.unmatched, (long long)std::chrono::microseconds(kWatcherSleep).count());
        const auto endToEnd = [&](const char* part, const EndToEnd& e) {
            const DrainResult& d = e.drain;
            const double rate = Rate(d.received.size(), d.fed, d.last);
            std::printf(
                "%s handed out %d, received %zu, lost %lld%s; %.1f clockings/s from the first feed to the last "
                "DLO (%.2f of the 20/s a 50 ms mailbox tick allows)\n",
                part, d.handedOut, d.received.size(), (long long)d.handedOut - (long long)d.received.size(),
                d.timedOut ? " (timed out)" : "", rate, rate / 20.0);
            std::printf(
                "  %zu empty DLO; %d received not matched to a hand-out, %d received twice, %d put back by "
                "kx-fep, %d not stored in the clock table\n",
                d.empty.size(), e.unmatched, e.duplicates, e.putBack, e.notStored);
            ReportFailures(part, e.failures);
        };
        endToEnd("3 one FEP:", *one);
        endToEnd("5 eight FEPs:", *eight);
        std::printf("6 agent CPU with 8 idle FEPs over %lld s: %.2f %% of one core (target well under 5 %%)\n",
                    (long long)std::chrono::seconds(kCpuWindow).count(), eight->cpuPercent);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "on_the_fly_bench: %s\n", e.what());
        return 1;
    }
}
