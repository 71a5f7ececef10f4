#include "kx-fep/fep_options.h"

#include <arpa/inet.h>

#include <charconv>

namespace kx::feptool {

namespace {

constexpr long long kMaxGenerate = 100000;
constexpr long long kMaxDelayMs = 600000;
constexpr long long kMaxOversize = 1 << 20;
constexpr long long kMaxDropAfter = 1000000;
constexpr std::size_t kMaxNakText = 1000;

long long ParseNumber(const std::string& option, const std::string& text, long long low, long long high)
{
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
        throw UsageError{option + " wants a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not \"" + text + "\""};
    return value;
}

void ParseListen(const std::string& text, FepOptions& options)
{
    std::string port = text;
    if (const std::size_t colon = text.rfind(':'); colon != std::string::npos) {
        std::string host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (host == "localhost") host = "127.0.0.1";
        in_addr address{};
        if (inet_pton(AF_INET, host.c_str(), &address) != 1)
            throw UsageError{"--listen wants [HOST:]PORT with an IPv4 address as HOST, not \"" + text + "\""};
        options.host = host;
    }
    options.port = static_cast<std::uint16_t>(ParseNumber("--listen", port, 0, 65535));
}

void SetAnswer(FepOptions& options, PollAnswer answer)
{
    if (options.answer != PollAnswer::Normal && options.answer != answer)
        throw UsageError{"--silent, --nak, --oversize and --garbage exclude each other"};
    options.answer = answer;
}

}  // namespace

FepOptions ParseFepOptions(const std::vector<std::string>& args)
{
    FepOptions options;
    bool listen = false, table = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        std::optional<std::string> inlineValue;
        if (const std::size_t eq = option.find('='); option.starts_with("--") && eq != std::string::npos) {
            inlineValue = option.substr(eq + 1);
            option.resize(eq);
        }
        auto value = [&]() -> std::string {
            if (inlineValue) return *inlineValue;
            if (++i >= args.size()) throw UsageError{option + " wants a value"};
            return args[i];
        };
        auto flag = [&]() {
            if (inlineValue) throw UsageError{option + " takes no value"};
        };

        if (option == "--help" || option == "-h") {
            flag();
            options.help = true;
            return options;
        }
        if (option == "--listen") {
            ParseListen(value(), options);
            listen = true;
        } else if (option == "--db") {
            options.db = value();
            if (options.db.empty()) throw UsageError{"--db wants a target"};
        } else if (option == "--table") {
            const std::string name = value();
            if (name == "trans_r") options.table = ClockTable::TransR;
            else if (name == "trans_c") options.table = ClockTable::TransC;
            else throw UsageError{"--table wants trans_r or trans_c, not \"" + name + "\""};
            table = true;
        } else if (option == "--clockings") {
            options.clockings = value();
            if (options.clockings.empty()) throw UsageError{"--clockings wants a file or -"};
        } else if (option == "--generate") {
            options.generate = static_cast<int>(ParseNumber(option, value(), 1, kMaxGenerate));
        } else if (option == "--staff-from") {
            options.staffFrom = value();
            if (options.staffFrom.empty()) throw UsageError{"--staff-from wants a target"};
        } else if (option == "--silent") {
            flag();
            SetAnswer(options, PollAnswer::Silent);
        } else if (option == "--nak") {
            options.nakText = value();
            // A CR inside would end the reply early and leave the rest for the next one.
            if (options.nakText.find('\r') != std::string::npos) throw UsageError{"--nak text must not hold a CR"};
            if (options.nakText.size() > kMaxNakText)
                throw UsageError{"--nak text is longer than " + std::to_string(kMaxNakText) + " bytes"};
            SetAnswer(options, PollAnswer::Nak);
        } else if (option == "--oversize") {
            options.oversize = static_cast<std::size_t>(ParseNumber(option, value(), 2, kMaxOversize));
            SetAnswer(options, PollAnswer::Oversize);
        } else if (option == "--garbage") {
            flag();
            SetAnswer(options, PollAnswer::Garbage);
        } else if (option == "--drop-after") {
            options.dropAfter = static_cast<int>(ParseNumber(option, value(), 0, kMaxDropAfter));
        } else if (option == "--delay") {
            options.delayMs = static_cast<int>(ParseNumber(option, value(), 0, kMaxDelayMs));
        } else if (option == "--split") {
            flag();
            options.split = true;
        } else if (option == "--quiet") {
            flag();
            options.quiet = true;
        } else if (option == "--stamp") {
            flag();
            options.stamp = true;
        } else if (option.starts_with("-")) {
            throw UsageError{"unknown option " + option};
        } else {
            throw UsageError{"unexpected argument \"" + option + "\""};
        }
    }
    if (!listen) throw UsageError{"--listen [HOST:]PORT is required"};
    if (table && options.db.empty()) throw UsageError{"--table needs --db"};
    if ((options.generate > 0) != !options.staffFrom.empty()) throw UsageError{"--generate and --staff-from go together"};
    return options;
}

const char* UsageText()
{
    return R"usage(Usage: kx-fep --listen [HOST:]PORT [--db TARGET] [--table trans_r|trans_c]
              [--clockings FILE|-] [--generate N --staff-from TARGET]
              [--silent | --nak TEXT | --oversize N | --garbage]
              [--drop-after N] [--delay MS] [--split] [--quiet] [--stamp]

A controller (FEP) simulator: a TCP server that answers the agent's frames. Every
frame gets one reply: a poll (SOH CR) gets ACK CR, or ACK + one queued clocking +
CR; a relayed command (any text not led by SOH or SI, taken as it arrives) and an
inter-module message (SI, 12 blanks, ESC, text, CR) get ACK CR. The clockings queue
is shared by all connections; any number of connections may come and go.

Options:
  --listen [HOST:]PORT  IPv4 address and port to listen on (HOST 127.0.0.1 unless
                        given; PORT 0 picks a free port)
  --db TARGET           stores each clocking in the suite database as it is handed
                        out (TARGET: an SQLite file, which must exist, or a
                        postgresql:// URI)
  --table NAME          the clock table for --db: trans_r (default) or trans_c
  --clockings FILE      queues the raw clocking records of FILE, one a line; blank
                        lines are skipped, lines over 100 bytes or holding control
                        bytes are rejected; "-" reads standard input while serving
  --generate N          queues N clockings of today for the cards of --staff-from
  --staff-from TARGET   the suite database whose cards (with a kt_cdext row and not
                        temporary) --generate uses
  --quiet               prints only the listening line and errors
  --stamp               starts each traffic line with the CLOCK_MONOTONIC time in
                        microseconds and a blank (for timing against other programs)
  --help                this text

Fault options:
  --silent              never answers
  --nak TEXT            answers polls with NAK + TEXT + CR (NAK CR for empty TEXT)
  --oversize N          answers polls with N bytes: ACK, N-2 "X", CR
  --garbage             answers polls with ACK, random bytes (no CR), CR, at most
                        100 bytes in all; the same sequence on every run
  --drop-after N        closes each connection after its N-th reply
  --delay MS            waits MS milliseconds before each reply (other connections
                        are served meanwhile)
  --split               sends each reply in two pieces about 20 ms apart
The first four exclude each other; with any of them no clocking is handed out.

Output, one line each, flushed at once:
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
or open a database, 2 for a wrong command line.
)usage";
}

}  // namespace kx::feptool
