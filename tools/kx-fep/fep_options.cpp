#include "kx-fep/fep_options.h"

#include <arpa/inet.h>

#include <charconv>
#include <memory>

namespace kx::feptool {

namespace {

constexpr long long kMaxGenerate = 100000;
constexpr long long kMaxDelayMs = 600000;
constexpr long long kMaxOversize = 1 << 20;
constexpr long long kMaxDropAfter = 1000000;
constexpr std::size_t kMaxNakText = 1000;

constexpr const char* kSynopsis =
    "Usage: kx-fep --listen [HOST:]PORT [--db TARGET] [--table trans_r|trans_c] [--clockings FILE|-] "
    "[--generate N --staff-from TARGET] [--silent | --nak TEXT | --oversize N | --garbage] [--drop-after N] "
    "[--delay MS] [--split] [--quiet] [--stamp]\n";

// "[HOST:]PORT" with an IPv4 address as HOST; "localhost" is 127.0.0.1.
bool ParseListen(const std::string& text, std::string& host, std::uint16_t& port) {
    std::string portText = text;
    if (const std::size_t colon = text.rfind(':'); colon != std::string::npos) {
        host = text.substr(0, colon);
        portText = text.substr(colon + 1);
        if (host == "localhost") host = "127.0.0.1";
        in_addr address{};
        if (inet_pton(AF_INET, host.c_str(), &address) != 1) return false;
    }
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), value);
    if (portText.empty() || ec != std::errc() || end != portText.data() + portText.size() || value > 65535)
        return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

struct Parsed {
    std::string listen;
    std::string table;
    int oversize = 0;
    int dropAfter = 0;
    bool silent = false;
    bool garbage = false;
};

std::unique_ptr<CLI::App> FepApp(FepOptions& o, Parsed& p) {
    auto app = ProgramApp(
        "kx-fep",
        "A controller (FEP) simulator: a TCP server that answers the agent's frames. Every frame gets one reply: "
        "a poll (SOH CR) gets ACK CR, or ACK + one queued clocking + CR; a relayed command (any text not led by "
        "SOH or SI, taken as it arrives) and an inter-module message (SI, 12 blanks, ESC, text, CR) get ACK CR. "
        "The clockings queue is shared by all connections; any number of connections may come and go.",
        kSynopsis, RepeatedOption::LastWins);
    app->set_help_flag("--help,-h", "this text");

    app->add_option("--listen", p.listen,
                    "IPv4 address and port to listen on (HOST 127.0.0.1 unless given; PORT 0 picks a free port)")
        ->required()
        ->type_name("[HOST:]PORT")
        ->check(CLI::Validator(
            [](const std::string& text) {
                std::string host;
                std::uint16_t port = 0;
                return ParseListen(text, host, port)
                           ? std::string()
                           : "wants [HOST:]PORT with an IPv4 address as HOST and a PORT from 0 to 65535, not \"" +
                                 text + "\"";
            },
            ""));
    auto* db = app->add_option("--db", o.db,
                               "stores each clocking in the suite database as it is handed out (TARGET: an SQLite "
                               "file, which must exist, or a postgresql:// URI)")
                   ->type_name("TARGET")
                   ->check(NotEmpty("a target"));
    app->add_option("--table", p.table, "the clock table for --db: trans_r (default) or trans_c; needs --db")
        ->type_name("NAME")
        ->needs(db)
        ->check(CLI::Validator(
            [](const std::string& name) {
                return name == "trans_r" || name == "trans_c" ? std::string()
                                                              : "wants trans_r or trans_c, not \"" + name + "\"";
            },
            ""));
    app->add_option("--clockings", o.clockings,
                    "queues the raw clocking records of FILE, one a line; blank lines are skipped, lines over 100 "
                    "bytes or holding control bytes are rejected; \"-\" reads standard input while serving")
        ->type_name("FILE")
        ->check(NotEmpty("a file or -"));
    auto* generate = app->add_option("--generate", o.generate,
                                     "queues N clockings of today for the cards of --staff-from; needs --staff-from")
                         ->type_name("N")
                         ->check(WholeNumber(1, kMaxGenerate));
    auto* staffFrom = app->add_option("--staff-from", o.staffFrom,
                                      "the suite database whose cards (with a kt_cdext row and not temporary) "
                                      "--generate uses")
                          ->type_name("TARGET")
                          ->check(NotEmpty("a target"));
    generate->needs(staffFrom);
    staffFrom->needs(generate);
    app->add_flag("--quiet", o.quiet, "prints only the listening line and errors")->disable_flag_override();
    app->add_flag("--stamp", o.stamp,
                  "starts each traffic line with the CLOCK_MONOTONIC time in microseconds and a blank (for timing "
                  "against other programs)")
        ->disable_flag_override();

    const char* faults =
        "Fault options (the first four exclude each other; with any of them no clocking is handed out)";
    auto* silent = app->add_flag("--silent", p.silent, "never answers")->group(faults)->disable_flag_override();
    auto* nak = app->add_option("--nak", o.nakText, "answers polls with NAK + TEXT + CR (NAK CR for empty TEXT)")
                    ->group(faults)
                    ->type_name("TEXT")
                    ->check(CLI::Validator(
                        [](const std::string& text) {
                            // A CR inside would end the reply early and leave the rest for the next one.
                            if (text.find('\r') != std::string::npos) return std::string("text must not hold a CR");
                            if (text.size() > kMaxNakText)
                                return "text is longer than " + std::to_string(kMaxNakText) + " bytes";
                            return std::string();
                        },
                        ""));
    auto* oversize = app->add_option("--oversize", p.oversize, "answers polls with N bytes: ACK, N-2 \"X\", CR")
                         ->group(faults)
                         ->type_name("N")
                         ->check(WholeNumber(2, kMaxOversize));
    auto* garbage = app->add_flag("--garbage", p.garbage,
                                  "answers polls with ACK, random bytes (no CR), CR, at most 100 bytes in all; the "
                                  "same sequence on every run")
                        ->group(faults)
                        ->disable_flag_override();
    const std::vector<CLI::Option*> answers{silent, nak, oversize, garbage};
    for (CLI::Option* a : answers)
        for (CLI::Option* b : answers)
            if (a != b) a->excludes(b);
    app->add_option("--drop-after", p.dropAfter, "closes each connection after its N-th reply")
        ->group(faults)
        ->type_name("N")
        ->check(WholeNumber(0, kMaxDropAfter));
    app->add_option("--delay", o.delayMs,
                    "waits MS milliseconds before each reply (other connections are served meanwhile)")
        ->group(faults)
        ->type_name("MS")
        ->check(WholeNumber(0, kMaxDelayMs));
    app->add_flag("--split", o.split, "sends each reply in two pieces about 20 ms apart")
        ->group(faults)
        ->disable_flag_override();

    app->footer(R"usage(Output, one line each, flushed at once:
  kx-fep listening on HOST:PORT      always the first line
  #C connected from ADDR:PORT        connection C (numbered from 1) opened
  #C <- FRAME                        a frame received; control bytes as <SOH>,
                                     <CR>, <ESC>..., other bytes over 126 as <xHH>;
                                     over 200 bytes cut, with "... (N bytes)"
  #C -> clocking RECORD              a clocking handed out in a poll reply
  #C closed: REASON                  connection C ended
Errors go to standard error, starting with "kx-fep: ". A clocking whose reply
could not be delivered goes back to the head of the queue.

Exit status: 0 after SIGINT or SIGTERM, 1 when it cannot listen, read the clockings
or open a database, 2 for a wrong command line.)usage");
    return app;
}

}  // namespace

FepOptions ParseFepOptions(const std::vector<std::string>& args) {
    FepOptions options;
    Parsed parsed;
    const auto app = FepApp(options, parsed);
    if (!ParseArguments(*app, args)) {
        options.help = true;
        return options;
    }
    ParseListen(parsed.listen, options.host, options.port);
    if (parsed.table == "trans_c") options.table = ClockTable::TransC;
    if (parsed.silent) options.answer = PollAnswer::Silent;
    if (app->count("--nak") > 0) options.answer = PollAnswer::Nak;
    if (parsed.garbage) options.answer = PollAnswer::Garbage;
    if (app->count("--drop-after") > 0) options.dropAfter = parsed.dropAfter;
    if (app->count("--oversize") > 0) {
        options.answer = PollAnswer::Oversize;
        options.oversize = static_cast<std::size_t>(parsed.oversize);
    }
    return options;
}

std::string UsageText() { return HelpText<FepOptions, Parsed>(FepApp); }

std::string SynopsisText() { return kSynopsis; }

}  // namespace kx::feptool
