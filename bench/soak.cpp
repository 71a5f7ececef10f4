// Soak: back-to-back range requests for a set time while eight kx-fep report
// clockings and the bench, as the front end, drains them with "OLD" between
// the requests. Samples the agent's resident memory, threads and open
// descriptors, and counts the requests that failed.
// Options: --minutes M (30) --warm-up M (2) --staff N (100) --days D (7)
// (or KX_SOAK_MINUTES, KX_SOAK_WARMUP, KX_SOAK_STAFF, KX_SOAK_DAYS).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "kx-db/kx_db_tool.h"
#include "support/bench_programs.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace kx::bench;

namespace {

constexpr int kFepCount = 8;
const std::string kDemoFrom = "20250301";
const std::string kStaffSelect = "select * from cards c, kt_cdext x where c.staff_number=x.staff_number";
constexpr auto kSampleEvery = 30s;
constexpr auto kDrainFor = 2s;

struct SoakOptions {
    int minutes = 30;
    int warmUp = 2;
    int staff = 100;
    int days = 7;
};

int Setting(const char* env, int fallback) {
    const char* value = std::getenv(env);
    return value && *value ? std::stoi(value) : fallback;
}

SoakOptions ParseOptions(int argc, char** argv) {
    SoakOptions o{Setting("KX_SOAK_MINUTES", 30), Setting("KX_SOAK_WARMUP", 2), Setting("KX_SOAK_STAFF", 100),
                  Setting("KX_SOAK_DAYS", 7)};
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const int value = std::stoi(argv[i + 1]);
        if (name == "--minutes")
            o.minutes = value;
        else if (name == "--warm-up")
            o.warmUp = value;
        else if (name == "--staff")
            o.staff = value;
        else if (name == "--days")
            o.days = value;
        else
            throw std::runtime_error("unknown option " + name);
    }
    if (argc % 2 == 0) throw std::runtime_error(std::string("option ") + argv[argc - 1] + " wants a value");
    if (o.minutes < 1 || o.warmUp < 0 || o.warmUp >= o.minutes || o.staff < 1 || o.days < 1 || o.days > 31)
        throw std::runtime_error("bad --minutes, --warm-up, --staff or --days");
    return o;
}

struct Sample {
    double minute = 0;
    long rssKb = 0;
    long threads = 0;
    long fds = 0;
};

long StatusField(pid_t pid, const std::string& field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.starts_with(field + ":")) return std::stol(line.substr(field.size() + 1));
    return -1;
}

Sample Take(pid_t agent, std::chrono::steady_clock::time_point start) {
    Sample s;
    s.minute = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / 60;
    s.rssKb = StatusField(agent, "VmRSS");
    s.threads = StatusField(agent, "Threads");
    std::error_code ec;
    for (auto it = fs::directory_iterator("/proc/" + std::to_string(agent) + "/fd", ec);
         !ec && it != fs::directory_iterator(); it.increment(ec))
        ++s.fds;
    return s;
}

// Failure lines of the agent's main log: "dd/mm/yy hh:nn:ss : <Tag>...".
int FailureLines(const fs::path& home) {
    int n = 0;
    for (const std::string& line : ReadLines(home / "KX_ATA.Log")) n += line.size() > 20 && line[20] == '<';
    return n;
}

std::string DayText(int day) { return kDemoFrom.substr(0, 6) + (day < 10 ? "0" : "") + std::to_string(day); }

int Run(const SoakOptions& o, const fs::path& bin) {
    const WorkDir work("kx-soak");
    const fs::path home = work.path / "home";
    fs::create_directories(home);
    const std::string target = (home / "Kairox.db").string();
    {
        std::ostringstream out, err;
        if (kx::dbtool::RunKxDb({"demo", target, "--staff", std::to_string(o.staff), "--days", "31", "--from",
                                 kDemoFrom, "--seed", "1"},
                                out, err) != 0)
            throw std::runtime_error("kx-db demo failed: " + err.str());
    }
    std::ofstream(home / "Kairox.ini") << "[Database]\nDBAlias=Kairox\n[Options]\nATA_Details=0\nAutoProcess=0\n";

    Processes processes;
    // Enough clockings that no FEP runs dry: a poll turn is about 50 ms.
    const std::string perFep = std::to_string(o.minutes * 60 * 25);
    std::vector<Fep> feps;
    std::vector<int> ports;
    for (int i = 1; i <= kFepCount; ++i) {
        feps.push_back(StartFep(processes, bin, home, "fep" + std::to_string(i),
                                {"--quiet", "--generate", perFep, "--staff-from", target, "--db", target}, false));
        ports.push_back(feps.back().port);
    }
    DefineFeps("Kairox", home, ports);

    MailboxClient client("kx-soak-" + std::to_string(getpid()));
    const pid_t agent = StartAgent(processes, bin, home, client.Name());
    client.WaitForAgent(agent, home / "kx-ata.out");

    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::minutes(o.minutes);
    std::vector<Sample> samples{Take(agent, start)};
    auto nextSample = start + kSampleEvery;
    long requests = 0, failed = 0, clockings = 0;
    int firstDay = 1;
    while (std::chrono::steady_clock::now() < end && Processes::Running(agent)) {
        // The days move on with each request, so each one does real work.
        const std::string request =
            kx::mailbox::RangeRequestText("D", DayText(firstDay), DayText(firstDay + o.days - 1), kStaffSelect);
        firstDay = firstDay + o.days > 31 - o.days ? 1 : firstDay + o.days;
        ++requests;
        if (!client.Request(request, kx::mailbox::kCrvTrp0, 30s) || !client.Await(kx::mailbox::kRfa, 600s)) {
            ++failed;
            std::fprintf(stderr, "soak: request %ld got no reply\n", requests);
        }
        // Drain what the FEPs reported meanwhile, for a while: they report faster than
        // "OLD" takes clockings (one a mailbox tick), and the agent holds back the rest.
        const auto drainEnd = std::min(end, std::chrono::steady_clock::now() + kDrainFor);
        for (int empty = 0; empty < 3 && std::chrono::steady_clock::now() < drainEnd;) {
            const auto reply = client.Old(5s);
            if (!reply) break;
            if (reply->record.empty())
                ++empty;
            else
                ++clockings, empty = 0;
        }
        if (std::chrono::steady_clock::now() >= nextSample) {
            samples.push_back(Take(agent, start));
            nextSample += kSampleEvery;
        }
    }
    samples.push_back(Take(agent, start));
    const bool survived = Processes::Running(agent);
    const int failureLines = FailureLines(home);
    client.End(processes, agent);

    std::printf("soak: %d min, %d FEPs, ranges of %d staff x %d days, back to back\n", o.minutes, kFepCount, o.staff,
                o.days);
    std::printf("%8s %10s %8s %6s\n", "minute", "RSS kB", "threads", "fds");
    for (const Sample& s : samples) std::printf("%8.1f %10ld %8ld %6ld\n", s.minute, s.rssKb, s.threads, s.fds);
    const auto warm =
        std::find_if(samples.begin(), samples.end(), [&](const Sample& s) { return s.minute >= o.warmUp; });
    const Sample& after = warm == samples.end() ? samples.back() : *warm;
    const Sample& last = samples.back();
    long minFds = after.fds, maxFds = after.fds, minThreads = after.threads, maxThreads = after.threads;
    for (auto it = warm; it != samples.end(); ++it) {
        minFds = std::min(minFds, it->fds), maxFds = std::max(maxFds, it->fds);
        minThreads = std::min(minThreads, it->threads), maxThreads = std::max(maxThreads, it->threads);
    }
    std::printf("RSS after warm-up (%.1f min) %ld kB, at the end %ld kB: growth %+ld kB (target < 2048)\n",
                after.minute, after.rssKb, last.rssKb, last.rssKb - after.rssKb);
    std::printf("threads %ld..%ld, open descriptors %ld..%ld after warm-up\n", minThreads, maxThreads, minFds, maxFds);
    std::printf("requests %ld, failed %ld; clockings drained %ld; failure lines in the log %d; agent %s\n", requests,
                failed, clockings, failureLines, survived ? "ran to the end" : "DIED");
    return failed == 0 && survived ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const SoakOptions o = ParseOptions(argc, argv);
        return Run(o, fs::canonical("/proc/self/exe").parent_path());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "soak: %s\n", e.what());
        return 1;
    }
}
