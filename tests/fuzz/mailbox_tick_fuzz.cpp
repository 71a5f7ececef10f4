// libFuzzer target for one mailbox tick on raw block contents: whatever the
// front end (or another program) leaves in the block, the tick must neither
// crash nor read out of bounds, must answer each command as the mailbox
// protocol says, and must leave every byte it does not write as it was.
//
//   cmake --build build-fuzz --target mailbox_tick_fuzz
//   mkdir -p /tmp/mailbox_tick-corpus && cp tests/fuzz/corpus/mailbox_tick/* /tmp/mailbox_tick-corpus/
//   build-fuzz/bin/mailbox_tick_fuzz -dict=tests/fuzz/mailbox_tick.dict -max_len=10003 -timeout=5 \
//       -rss_limit_mb=2048 -runs=10000000 /tmp/mailbox_tick-corpus
//
// Input layout: byte 0 holds the agent's state (bit 0 an integration mode,
// 1 EnforceClockMode, 2 a range run busy, 3 IgnoreKTPServer, 4 FEP 1 defined,
// 5 FEP 1 connected, 6 the closing flag, 7 a packet queued); byte 1 the second
// of the clock (modulo 60); byte 2 the on-the-fly result (bits 0-1: short,
// long, empty, failing) and whether another program cut the block to the
// contents' length (bit 2); the rest is the block's contents, the first 10000
// bytes of it.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "comms/mailbox_host.h"
#include "comms/mailbox_tick.h"
#include "comms/shared_block.h"
#include "core/agent_context.h"
#include "core/clock.h"
#include "fuzz_home.h"

namespace {

using kx::fuzz::Require;
constexpr std::size_t kSize = kx::SharedBlock::kSize;

// Stands for the shell; records what the tick asked of it.
struct FuzzHost final : kx::MailboxHost {
    void CloseMainWindow() override { ++closed; }
    void RestoreMainWindow() override { ++restored; }
    void SetGradBar(int value) override {
        ++gradBars;
        gradBar = value;
    }
    void MemoAdd(std::string_view) override { ++memos; }
    void ProcessEvents() override {}
    void StoreTRPRequest(const std::string& request) override { trp = request; }
    void StartRangeTimer() override { ++rangeTimers; }
    bool TakePacket(std::string& packet) override {
        ++takes;
        if (!queued) return false;
        queued = false;
        packet = "O0126030212000012345600";
        return true;
    }
    std::string FormatClockData(const std::string& packet) override {
        switch (onTheFly) {
        case 0: return "REC" + packet;
        case 1: return std::string(kSize, 'L');
        case 2: return {};
        default: throw std::runtime_error("on-the-fly processing failed");
        }
    }
    void SendThisMessage(const std::string& text) override {
        ++sent;
        message = text;
    }
    bool Fep1Defined() const override { return fep1Defined; }
    bool Fep1Connected() const override { return fep1Connected; }
    // The reconnect pauses 30 ms before it connects; ending the tick here keeps
    // the fuzzer fast while the decision to reconnect is still checked.
    void StopFep1PollTask() override {
        ++reconnects;
        throw std::runtime_error("reconnect not run under the fuzzer");
    }
    void ConnectFep1() override { std::abort(); }

    int closed = 0, restored = 0, gradBars = 0, gradBar = -1, memos = 0, rangeTimers = 0, takes = 0, sent = 0;
    int reconnects = 0;
    std::string trp, message;
    bool queued = false;
    int onTheFly = 0;
    bool fep1Defined = false, fep1Connected = false;
};

// One block per process, unlinked at once: the descriptor keeps it alive and
// nothing is left in /dev/shm.
struct FuzzMailbox {
    FuzzMailbox() {
        const std::string name = "kx_mailbox_fuzz_" + std::to_string(getpid());
        if (block.Open(name) != kx::SharedBlock::OpenResult::Mapped) std::abort();
        fd = shm_open(("/" + name).c_str(), O_RDWR, 0);
        if (fd < 0) std::abort();
        shm_unlink(("/" + name).c_str());
    }

    kx::fuzz::FuzzHome home{"kx_mailbox_fuzz"};
    kx::FakeClock clock;
    kx::AgentContext ctx{home.path(), clock};
    kx::SharedBlock block;
    int fd = -1;
};

std::string BlockBytes(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0) std::abort();
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    if (pread(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) std::abort();
    return bytes;
}

bool AllDigits(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool NotANumber(const std::string& s) { return s.empty() || s.find_first_not_of("0123456789+-") != std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzMailbox mailbox;
    constexpr std::size_t kHeader = 3;
    if (size < kHeader) return 0;
    const std::uint8_t state = data[0];
    const int second = data[1] % 60;
    const bool cut = data[2] & 4;
    const std::string contents(reinterpret_cast<const char*>(data + kHeader), std::min(size - kHeader, kSize));

    // The block as the other side left it: the contents and zeros, or the
    // contents alone in a block cut to their length.
    std::string before = contents;
    if (!cut) before.resize(kSize, '\0');
    if (ftruncate(mailbox.fd, static_cast<off_t>(before.size())) != 0 ||
        pwrite(mailbox.fd, before.data(), before.size(), 0) != static_cast<ssize_t>(before.size()))
        std::abort();
    const std::string text = before.substr(0, before.find('\0'));

    kx::AgentContext& ctx = mailbox.ctx;
    ctx.settings.server.Integrated = state & 1 ? "TESSEL" : "";
    ctx.settings.options.EnforceClockMode = state & 2;
    ctx.flags = {};
    ctx.flags.rangeBusy = state & 4;
    ctx.settings.server.IgnoreKTPServer = state & 8;
    ctx.flags.closing = state & 64;
    mailbox.clock.Set(kx::MakeLocalTime(2026, 3, 2, 12, 0, second));
    FuzzHost host;
    host.fep1Defined = state & 16;
    host.fep1Connected = state & 32;
    host.queued = state & 128;
    host.onTheFly = data[2] & 3;

    const bool rearm = kx::MailboxTick(ctx, mailbox.block, host);
    const std::string after = BlockBytes(mailbox.fd);

    const std::string code = text.size() > 2 ? text.substr(0, 3) : "";
    const bool end = code == "END";
    bool failed = false;  // the tick ended early with a logged error
    std::string reply;
    bool replied = false;
    const auto replies = [&](std::string r) {
        replied = true;
        reply = r.substr(0, kSize - 1);
    };

    if (code == "CMD") {
        replies("CRV");
        Require(host.sent == 1 && host.message == text.substr(3));
    } else if (code == "SGB") {
        const std::string number = text.substr(3, 3);
        Require(host.gradBars <= 1);
        if (host.gradBars == 1)
            replies("CRV");
        else
            failed = true;
        if (AllDigits(number)) Require(host.gradBars == 1 && host.gradBar == std::stoi(number));
        if (NotANumber(number)) Require(host.gradBars == 0);
    } else if (code == "WNM") {
        replies("CRV");
        Require(host.restored == 1);
    } else if (code == "OLD") {
        const bool served = !ctx.flags.rangeBusy;
        const bool takes = served && (ctx.settings.server.Integrated.empty() || ctx.settings.options.EnforceClockMode);
        Require(host.takes == (takes ? 1 : 0));
        if (takes && (state & 128) && host.onTheFly == 3) {
            failed = true;
        } else if (served) {
            const bool record = takes && (state & 128);
            replies(record ? "DLO" + host.FormatClockData("O0126030212000012345600") : "DLO");
        }
    } else if (code == "TRP") {
        replies("CRVTRP0");
        Require(host.trp == text && host.rangeTimers == 1 && host.gradBars == 1 && host.gradBar == 0);
    } else if (code == "ACK") {
        replies("");
    }
    if (code != "CMD") Require(host.sent == 0);
    if (code != "OLD") Require(host.takes == 0);
    if (code != "TRP") Require(host.rangeTimers == 0 && host.trp.empty());
    if (code != "WNM") Require(host.restored == 0);
    if (code != "SGB" && code != "TRP") Require(host.gradBars == 0);

    Require(host.closed == (end ? 1 : 0));
    Require(ctx.flags.endReceived == end);
    Require(rearm == (!end && !ctx.flags.closing));
    const bool reconnect = !end && !failed && second % 10 == 0 && !ctx.settings.server.IgnoreKTPServer &&
                           host.fep1Defined && !host.fep1Connected;
    Require(host.reconnects == (reconnect ? 1 : 0));

    if (!replied) {
        Require(after == before);
    } else {
        // The reply and its NUL; every later byte as it was.
        Require(after.size() >= std::max(before.size(), reply.size() + 1));
        Require(after.compare(0, reply.size(), reply) == 0 && after[reply.size()] == '\0');
        for (std::size_t i = reply.size() + 1; i < before.size(); ++i) Require(after[i] == before[i]);
        Require(mailbox.block.ReadText() == reply);
    }
    return 0;
}
