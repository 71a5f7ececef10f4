// Random and mutated mailbox contents through one tick each: every command is
// answered as the mailbox protocol says, a failing step leaves the block as it
// was, and the bytes after a reply's NUL keep what they held. 3,000 ticks by
// default; KX_FUZZ_LONG=1 runs 300,000, KX_FUZZ_SEED picks another seed.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "comms/mailbox_tick.h"
#include "comms/shared_block.h"
#include "core/agent_context.h"
#include "fake_mailbox_host.h"
#include "support/mailbox_fixture.h"
#include "support/random_text.h"
#include "support/test_db.h"

namespace kx {
namespace {

using Strings = std::vector<std::string>;
constexpr std::size_t kSize = SharedBlock::kSize;

const std::vector<std::string> kCodes = {"END", "CMD", "SGB", "WNM", "OLD", "RPO", "TRP", "ACK"};
const std::vector<std::string> kNoCodes = {"CRV", "DLO", "RFA", "STP", "end", "Cmd", "SG", "XYZ"};
const std::vector<std::string> kWords = {"END",
                                         "CMD",
                                         "SGB",
                                         "OLD",
                                         "TRP",
                                         "ACK",
                                         "CRV",
                                         "DLO",
                                         "050",
                                         "999",
                                         "+",
                                         "-",
                                         std::string(1, '\0'),
                                         "\xff",
                                         "select * from cards"};

// One tick's worth of input, and what the protocol makes of it.
struct Scenario {
    std::string contents;  // the block's bytes from offset 0
    bool cut = false;      // another program cut the block to the contents' length
    int second = 0;
    bool integrated = false, enforce = false, rangeBusy = false, ignoreKtp = false, closing = false;
    bool fep1Defined = false, fep1Connected = false;
    std::vector<std::string> packets;
    int onTheFly = 0;  // 0 "REC" + packet, 1 longer than the block, 2 empty, 3 throws
    enum class Sgb { Unknown, Accepted, Rejected } sgb = Sgb::Unknown;
    int sgbValue = 0;  // the value an accepted "SGB" shows
};

std::string SgbArgument(test::Rng& rng, Scenario& s) {
    using Sgb = Scenario::Sgb;
    switch (rng.Below(5)) {
    case 0: {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%03zu", rng.Below(1000));
        s.sgb = Sgb::Accepted;
        s.sgbValue = std::stoi(digits);
        return digits + std::string(rng.Chance(0.3) ? "7x" : "");  // only positions 4 to 6 count
    }
    case 1: {
        const std::string number =
            (rng.Chance(0.3) ? "-" : "") + std::string(rng.Below(2), '0') + std::to_string(rng.Below(10));
        s.sgb = Sgb::Accepted;
        s.sgbValue = std::stoi(number);
        return number;
    }
    case 2: s.sgb = Sgb::Rejected; return std::string(1, static_cast<char>('a' + rng.Below(26))) + "50";
    case 3: s.sgb = Sgb::Rejected; return rng.Chance(0.5) ? "" : "+-5";
    default: return test::RawBytes(rng, 3);
    }
}

std::string Argument(test::Rng& rng, const std::string& code) {
    if (code == "TRP")
        return std::string(1, "TD"[rng.Below(2)]) + "2026030" + std::to_string(1 + rng.Below(9)) + "20260310" +
               (rng.Chance(0.5) ? "select * from cards" : test::RawBytes(rng, 60));
    if (rng.Chance(0.02)) return std::string(kSize + rng.Below(50), 'A');  // fills the block, no NUL
    return test::RawBytes(rng, 40);
}

Scenario RandomScenario(test::Rng& rng, const std::string& previous) {
    Scenario s;
    const std::string code = rng.Pick(rng.Chance(0.85) ? kCodes : kNoCodes);
    switch (rng.Below(10)) {
    case 0: s.contents = test::RawBytes(rng, 12); break;
    case 1: s.contents = test::Mutated(rng, previous, kWords, code); break;
    default:
        if (code == "SGB")
            s.contents = code + SgbArgument(rng, s);
        else
            s.contents = code + Argument(rng, code);
    }
    if (s.contents.size() > kSize) s.contents.resize(kSize);
    s.cut = rng.Chance(0.1);
    s.second = static_cast<int>(rng.Below(60));
    s.integrated = rng.Chance(0.3);
    s.enforce = rng.Chance(0.3);
    s.rangeBusy = rng.Chance(0.15);
    s.ignoreKtp = rng.Chance(0.5);
    s.closing = rng.Chance(0.1);
    // A reconnect pauses 30 ms: rare, so the run stays short.
    s.fep1Defined = rng.Chance(0.06);
    s.fep1Connected = rng.Chance(0.5);
    for (std::size_t i = rng.Below(3); i > 0; --i) s.packets.push_back(test::RawBytes(rng, 30));
    s.onTheFly = static_cast<int>(rng.Below(8) < 5 ? 0 : rng.Below(4));
    return s;
}

class MailboxTickRandom : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(block.Open(name.name()), SharedBlock::OpenResult::Mapped) << block.ErrorText();
        fd = shm_open(("/" + name.name()).c_str(), O_RDWR, 0);
        ASSERT_GE(fd, 0);
    }
    void TearDown() override {
        if (fd >= 0) close(fd);
    }

    void Place(const std::string& bytes) {
        ASSERT_EQ(ftruncate(fd, static_cast<off_t>(bytes.size())), 0);
        ASSERT_EQ(pwrite(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    }
    std::string Bytes() const {
        struct stat st {};
        fstat(fd, &st);
        std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
        if (pread(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) bytes.clear();
        return bytes;
    }

    // Runs one scenario; an empty text when all went as the protocol says.
    std::string Check(const Scenario& s) {
        std::string before = s.contents;
        if (!s.cut) before.resize(kSize, '\0');
        Place(before);
        const std::string text = before.substr(0, before.find('\0'));

        FakeClock clock{MakeLocalTime(2026, 3, 2, 12, 0, s.second)};
        AgentContext ctx{home.path(), clock};
        ctx.settings.server.Integrated = s.integrated ? "TESSEL" : "";
        ctx.settings.options.EnforceClockMode = s.enforce;
        ctx.settings.server.IgnoreKTPServer = s.ignoreKtp;
        ctx.flags.rangeBusy = s.rangeBusy;
        ctx.flags.closing = s.closing;
        test::FakeMailboxHost host;
        host.fep1Defined = s.fep1Defined;
        host.fep1Connected = s.fep1Connected;
        for (const std::string& p : s.packets) host.queue.PutPacket(p);
        if (s.onTheFly == 1) host.formatClockData = [](const std::string&) { return std::string(kSize + 5, 'L'); };
        if (s.onTheFly == 2) host.formatClockData = [](const std::string&) { return std::string(); };
        if (s.onTheFly == 3)
            host.formatClockData = [](const std::string&) -> std::string { throw std::runtime_error("no database"); };

        const bool rearm = MailboxTick(ctx, block, host);
        const std::string after = Bytes();

        // What the protocol asks for.
        const std::string code = text.size() > 2 ? text.substr(0, 3) : "";
        std::optional<std::string> reply;
        Strings calls;
        bool failed = false;
        std::size_t packetsLeft = s.packets.size();
        if (code == "END") {
            calls = {"CloseMainWindow"};
        } else if (code == "CMD") {
            reply = "CRV";
            calls = {"SendThisMessage " + text.substr(3)};
        } else if (code == "SGB") {
            std::optional<int> value;
            if (s.sgb == Scenario::Sgb::Accepted) value = s.sgbValue;
            // Random bytes: accepted or not, the answer must match the call.
            if (s.sgb == Scenario::Sgb::Unknown && !host.calls.empty() && host.calls[0].starts_with("SetGradBar "))
                value = std::stoi(host.calls[0].substr(11));
            if (value) {
                reply = "CRV";
                calls = {"SetGradBar " + std::to_string(*value)};
            } else {
                failed = true;
            }
        } else if (code == "WNM") {
            reply = "CRV";
            calls = {"RestoreMainWindow"};
        } else if (code == "OLD" && !s.rangeBusy) {
            const bool looks = !s.integrated || s.enforce;
            if (looks && !s.packets.empty()) {
                std::string packet = s.packets.front();
                if (!packet.empty() && packet[0] == 'C') packet[0] = 'O';
                calls = {"FormatClockData " + packet};
                --packetsLeft;
                if (s.onTheFly == 3)
                    failed = true;
                else
                    reply = "DLO" + (s.onTheFly == 0   ? "REC" + packet
                                     : s.onTheFly == 1 ? std::string(kSize + 5, 'L')
                                                       : "");
            } else {
                reply = "DLO";
            }
        } else if (code == "TRP") {
            reply = "CRVTRP0";
            calls = {"MemoAdd Turbo Process ... ", "StoreTRPRequest", "SetGradBar 0", "MemoAdd send: CRVTRP0",
                     "StartRangeTimer"};
            if (host.trpRequest != text) return "TRP request not stored whole";
        } else if (code == "ACK") {
            reply = "";
        }
        if (code != "END" && !failed && s.second % 10 == 0 && !s.ignoreKtp && s.fep1Defined && !s.fep1Connected) {
            calls.push_back("StopFep1PollTask");
            calls.push_back("ConnectFep1 after 10 event rounds");
            ++reconnects;
        }

        if (host.calls != calls) {
            std::string got;
            for (const std::string& c : host.calls) got += "[" + test::Escaped(c, 60) + "]";
            return "calls " + got;
        }
        if (static_cast<std::size_t>(host.queue.Count()) != packetsLeft) return "packets left in the queue";
        if (ctx.flags.endReceived != (code == "END")) return "END-received flag";
        if (rearm != (code != "END" && !s.closing)) return "re-arming";
        replied = reply.has_value();
        if (!reply) {
            if (after != before) return "block changed without a reply";
            return {};
        }
        const std::string r = reply->substr(0, kSize - 1);
        if (after.size() < r.size() + 1 || after.compare(0, r.size(), r) != 0 || after[r.size()] != '\0')
            return "reply " + test::Escaped(after.substr(0, r.size() + 1), 60) + ", expected " + test::Escaped(r, 60);
        for (std::size_t i = r.size() + 1; i < before.size(); ++i)
            if (after[i] != before[i]) return "byte " + std::to_string(i) + " after the reply changed";
        return {};
    }

    test::ScopedMailboxName name;
    test::TempHome home;
    SharedBlock block;
    int fd = -1;
    bool replied = false;  // the last scenario called for a reply
    std::size_t reconnects = 0;
};

TEST_F(MailboxTickRandom, EveryBlockIsAnsweredAsTheProtocolSays) {
    const test::RandomRun run = test::RandomRunFromEnv(20261209, 3000, 300000);
    test::Rng rng(run.seed);
    std::string previous = "TRPT2026030120260302select * from cards";
    std::size_t replies = 0;
    const auto started = std::chrono::steady_clock::now();
    for (std::size_t n = 0; n < run.count; ++n) {
        const Scenario s = RandomScenario(rng, previous);
        const std::string fault = Check(s);
        ASSERT_TRUE(fault.empty()) << fault << "\n  seed " << run.seed << ", tick " << n << ", block \""
                                   << test::Escaped(s.contents) << "\"" << (s.cut ? " (cut)" : "");
        if (s.contents.size() < 200) previous = s.contents;
        if (replied) ++replies;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("  %zu ticks (%zu replies, %zu reconnects) in %.2f s, seed %llu\n", run.count, replies, reconnects,
                seconds, static_cast<unsigned long long>(run.seed));
    EXPECT_GT(replies, run.count / 3);  // the run mostly exercised commands, not junk
}

}  // namespace
}  // namespace kx
