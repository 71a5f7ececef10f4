#include "comms/mailbox_tick.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "comms/shared_block.h"
#include "core/agent_context.h"
#include "fake_mailbox_host.h"
#include "support/log_texts.h"
#include "support/mailbox_fixture.h"
#include "support/test_db.h"

namespace kx {
namespace {

using Strings = std::vector<std::string>;

class MailboxTickTest : public ::testing::Test {
protected:
    void SetUp() override {
        ctx.log.SetDetailThreshold(999);
        ASSERT_EQ(block.Open(name.name()), SharedBlock::OpenResult::Mapped) << block.ErrorText();
    }

    bool Tick() { return MailboxTick(ctx, block, host); }

    // Main log texts without their time stamps.
    Strings LogLines() const { return test::LogTexts(ctx.log.MainLogPath()); }

    test::ScopedMailboxName name;
    test::TempHome home;
    FakeClock clock{MakeLocalTime(2026, 3, 2, 12, 0, 5)};
    AgentContext ctx{home.path(), clock};
    SharedBlock block;
    test::FakeMailboxHost host;
};

struct TickCase {
    const char* title;
    std::string command;
    std::function<void(AgentContext&, test::FakeMailboxHost&)> setup;
    std::string reply;  // the block's text after the tick
    Strings calls;
    Strings log;
    int packetsLeft = 0;
};

TEST_F(MailboxTickTest, ServesEachCommandOnce) {
    const auto none = [](AgentContext&, test::FakeMailboxHost&) {};
    const auto onePacket = [](AgentContext&, test::FakeMailboxHost& h) { h.queue.PutPacket("C0012345"); };
    const std::string trp = "TRPT2026030120260302select * from cards";
    const TickCase cases[] = {
        {"two characters carry no command", "AB", none, "AB", {}, {}},
        {"empty block", "", none, "", {}, {}},
        {"unknown code", "XYZ123", none, "XYZ123", {}, {}},
        {"codes are upper case", "cmdhello", none, "cmdhello", {}, {}},
        {"CMD alone queues the empty text", "CMD", none, "CRV", {"SendThisMessage "}, {}},
        {"CMD relays its text unchanged", "CMD  Hello, FEP ", none, "CRV", {"SendThisMessage   Hello, FEP "}, {}},
        {"SGB with three digits", "SGB050", none, "CRV", {"SetGradBar 50"}, {}},
        {"SGB reads positions 4 to 6 only", "SGB9991", none, "CRV", {"SetGradBar 999"}, {}},
        {"SGB with one digit", "SGB7", none, "CRV", {"SetGradBar 7"}, {}},
        {"SGB with letters", "SGBabc", none, "SGBabc", {}, {"<Timer1Timer>:'abc' is not a valid integer value"}},
        {"SGB with digits and letters",
         "SGB5x0",
         none,
         "SGB5x0",
         {},
         {"<Timer1Timer>:'5x0' is not a valid integer value"}},
        {"SGB without a number", "SGB", none, "SGB", {}, {"<Timer1Timer>:'' is not a valid integer value"}},
        {"WNM", "WNM", none, "CRV", {"RestoreMainWindow"}, {}},
        {"RPO leaves the block as it is", "RPO123", none, "RPO123", {}, {"RPO received, old version ?"}},
        {"OLD with an empty queue", "OLD", none, "DLO", {}, {}},
        {"OLD with a queued clocking", "OLD", onePacket, "DLORECO0012345", {"FormatClockData O0012345"}, {}},
        {"OLD with a packet the on-the-fly processing rejects",
         "OLD",
         [](AgentContext&, test::FakeMailboxHost& h) {
             h.queue.PutPacket("junk");
             h.formatClockData = [](const std::string&) { return std::string(); };
         },
         "DLO",
         {"FormatClockData junk"},
         {}},
        {"OLD in an integrated mode leaves the queue alone",
         "OLD",
         [](AgentContext& c, test::FakeMailboxHost& h) {
             c.settings.server.Integrated = "TESSEL";
             h.queue.PutPacket("C1");
             h.queue.PutPacket("C2");
         },
         "DLO",
         {},
         {},
         2},
        {"OLD in an integrated mode with EnforceClockMode",
         "OLD",
         [](AgentContext& c, test::FakeMailboxHost& h) {
             c.settings.server.Integrated = "NIMBNET";
             c.settings.options.EnforceClockMode = true;
             h.queue.PutPacket("C1");
             h.queue.PutPacket("C2");
         },
         "DLOREC"
         "O1",
         {"FormatClockData O1"},
         {},
         1},
        {"OLD while a range reprocessing runs",
         "OLD",
         [](AgentContext& c, test::FakeMailboxHost& h) {
             c.flags.rangeBusy = true;
             h.queue.PutPacket("C1");
         },
         "OLD",
         {},
         {},
         1},
        {"ACK", "ACKnowledged", none, "", {}, {}},
        {"TRP",
         trp,
         none,
         "CRVTRP0",
         {"MemoAdd Turbo Process ... ", "StoreTRPRequest", "SetGradBar 0", "MemoAdd send: CRVTRP0", "StartRangeTimer"},
         {">>>> Reprocessing Starts Here ...", "Turbo RP received : " + trp}},
        {"a failing step is logged and the block keeps its text",
         "OLD",
         [](AgentContext&, test::FakeMailboxHost& h) {
             h.queue.PutPacket("x");
             h.formatClockData = [](const std::string&) -> std::string { throw std::runtime_error("no database"); };
         },
         "OLD",
         {"FormatClockData x"},
         {"<Timer1Timer>:no database"}},
    };
    for (const TickCase& c : cases) {
        SCOPED_TRACE(c.title);
        test::ScopedMailboxName caseName;
        ASSERT_EQ(block.Open(caseName.name()), SharedBlock::OpenResult::Mapped);
        AgentContext caseCtx{home.path(), clock};
        caseCtx.log.SetDetailThreshold(999);
        test::FakeMailboxHost caseHost;
        c.setup(caseCtx, caseHost);
        block.SendMFThis(c.command);
        std::filesystem::remove(caseCtx.log.MainLogPath());

        EXPECT_TRUE(MailboxTick(caseCtx, block, caseHost));
        EXPECT_EQ(block.ReadText(), c.reply);
        EXPECT_EQ(caseHost.calls, c.calls);
        EXPECT_EQ(LogLines(), c.log);  // both contexts log into the same home
        EXPECT_EQ(caseHost.queue.Count(), c.packetsLeft);
        EXPECT_FALSE(caseCtx.flags.endReceived);
    }
}

TEST_F(MailboxTickTest, TrpRequestIsStoredWhole) {
    const std::string trp = "TRPD2026010120260131select staff_number from cards where name like 'O''Neil%'";
    block.SendMFThis(trp);
    EXPECT_TRUE(Tick());
    EXPECT_EQ(host.trpRequest, trp);
}

TEST_F(MailboxTickTest, TrpTraceLinesFollowTheDetailThreshold) {
    ctx.log.SetDetailThreshold(5);
    block.SendMFThis("TRPT2026030120260302select 1");
    Tick();
    EXPECT_EQ(LogLines(), Strings{">>>> Reprocessing Starts Here ..."});
}

TEST_F(MailboxTickTest, RpoIsLoggedAtEveryTickWhileItStays) {
    block.SendMFThis("RPO");
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(Tick());
    EXPECT_EQ(LogLines(), Strings(3, "RPO received, old version ?"));
}

TEST_F(MailboxTickTest, AckClearsOnlyTheFirstByte) {
    test::RawBlockView raw(name.name());
    block.SendMFThis("ACK and more");
    Tick();
    EXPECT_EQ(raw.Bytes(0, 6), std::string("\0CK an", 6));
}

TEST_F(MailboxTickTest, OldWaitsInTheBlockUntilTheRangeRunEnds) {
    host.queue.PutPacket("C42");
    block.SendMFThis("OLD");
    ctx.flags.rangeBusy = true;
    Tick();
    Tick();
    EXPECT_EQ(block.ReadText(), "OLD");
    ctx.flags.rangeBusy = false;
    Tick();
    EXPECT_EQ(block.ReadText(), "DLORECO42");
}

TEST_F(MailboxTickTest, AFailedTickIsReArmedAndTheNextTickServesTheBlockAgain) {
    block.SendMFThis("SGBxyz");
    EXPECT_TRUE(Tick());
    EXPECT_TRUE(Tick());
    EXPECT_EQ(LogLines(), Strings(2, "<Timer1Timer>:'xyz' is not a valid integer value"));
    block.SendMFThis("SGB100");
    EXPECT_TRUE(Tick());
    EXPECT_EQ(block.ReadText(), "CRV");
    EXPECT_EQ(host.calls, Strings{"SetGradBar 100"});
}

TEST_F(MailboxTickTest, EndClosesWithoutReplyReconnectOrReArm) {
    clock.Set(MakeLocalTime(2026, 3, 2, 12, 0, 10));
    host.fep1Defined = true;
    block.SendMFThis("END");
    EXPECT_FALSE(Tick());
    EXPECT_TRUE(ctx.flags.endReceived);
    EXPECT_EQ(block.ReadText(), "END");
    EXPECT_EQ(host.calls, Strings{"CloseMainWindow"});
}

TEST_F(MailboxTickTest, ClosingFlagStopsTheReArmButTheCommandIsServed) {
    ctx.flags.closing = true;
    block.SendMFThis("WNM");
    EXPECT_FALSE(Tick());
    EXPECT_EQ(block.ReadText(), "CRV");
    block.SendMFThis("SGBzz");
    EXPECT_FALSE(Tick());
}

TEST_F(MailboxTickTest, WithoutABlockOnlyTheReconnectRuleRuns) {
    SharedBlock none;
    clock.Set(MakeLocalTime(2026, 3, 2, 12, 0, 20));
    host.fep1Defined = true;
    EXPECT_TRUE(MailboxTick(ctx, none, host));
    EXPECT_EQ(host.calls, (Strings{"StopFep1PollTask", "ConnectFep1 after 10 event rounds"}));
}

struct ReconnectCase {
    int second;
    bool ignoreKTPServer;
    bool defined;
    bool connected;
    bool reconnects;
};

TEST_F(MailboxTickTest, ReconnectsFep1OnlyInSecondsThatAreMultiplesOfTen) {
    const ReconnectCase cases[] = {
        {0, false, true, false, true},   {10, false, true, false, true},   {50, false, true, false, true},
        {11, false, true, false, false}, {59, false, true, false, false},  {5, false, true, false, false},
        {10, true, true, false, false},  {10, false, false, false, false}, {10, false, true, true, false},
    };
    for (const ReconnectCase& c : cases) {
        SCOPED_TRACE("second " + std::to_string(c.second) + " ignore " + BoolText(c.ignoreKTPServer) + " defined " +
                     BoolText(c.defined) + " connected " + BoolText(c.connected));
        for (const char* text : {"AB", "CMDx"}) {
            host.calls.clear();
            host.processEvents = 0;
            clock.Set(MakeLocalTime(2026, 3, 2, 12, 0, c.second));
            ctx.settings.server.IgnoreKTPServer = c.ignoreKTPServer;
            host.fep1Defined = c.defined;
            host.fep1Connected = c.connected;
            block.SendMFThis(text);
            EXPECT_TRUE(Tick());
            Strings expected;
            if (text[0] == 'C') expected.push_back("SendThisMessage x");
            if (c.reconnects) {
                expected.push_back("StopFep1PollTask");
                expected.push_back("ConnectFep1 after 10 event rounds");
            }
            EXPECT_EQ(host.calls, expected);
        }
    }
}

TEST_F(MailboxTickTest, EveryTickOfTheSecondTriesAgainUntilFep1IsUp) {
    host.fep1Defined = true;
    clock.Set(MakeLocalTime(2026, 3, 2, 12, 0, 10));
    Tick();
    Tick();
    clock.Set(MakeLocalTime(2026, 3, 2, 12, 0, 11));
    Tick();
    EXPECT_EQ(host.calls, (Strings{"StopFep1PollTask", "ConnectFep1 after 10 event rounds", "StopFep1PollTask",
                                   "ConnectFep1 after 20 event rounds"}));
}

}  // namespace
}  // namespace kx
