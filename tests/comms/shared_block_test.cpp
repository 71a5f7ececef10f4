#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

#include "comms/shared_block.h"
#include "core/clock.h"
#include "core/log.h"
#include "support/log_texts.h"
#include "support/mailbox_fixture.h"
#include "support/test_db.h"

namespace kx {
namespace {

using test::RawBlockView;
using test::ScopedMailboxName;

TEST(SharedBlock, CreatesTenThousandBytesAndSharesThemWithAnotherMapping) {
    ScopedMailboxName name;
    SharedBlock agent;
    ASSERT_EQ(agent.Open(name.name()), SharedBlock::OpenResult::Mapped) << agent.ErrorText();
    struct stat st {};
    ASSERT_EQ(stat(("/dev/shm/" + name.name()).c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 10000);

    SharedBlock frontEnd;
    ASSERT_EQ(frontEnd.Open(name.name(), SharedBlock::OpenMode::ExistingOnly), SharedBlock::OpenResult::Mapped);
    EXPECT_EQ(agent.ReadText(), "");
    frontEnd.SendMFThis("OLD");
    EXPECT_EQ(agent.ReadText(), "OLD");
    agent.SendMFThis("DLO0123");
    EXPECT_EQ(frontEnd.ReadText(), "DLO0123");
}

// Another program cutting the block must not kill the agent: the short block is
// read as far as it goes, noticed once, and a reply grows it again.
TEST(SharedBlock, ACutBlockIsReadAsFarAsItGoesAndNoticedOnce) {
    ScopedMailboxName name;
    SharedBlock agent;
    ASSERT_EQ(agent.Open(name.name()), SharedBlock::OpenResult::Mapped) << agent.ErrorText();
    agent.SendMFThis("SGB050");
    EXPECT_FALSE(agent.TakeShrinkNotice());
    const std::string file = "/dev/shm/" + name.name();
    ASSERT_EQ(truncate(file.c_str(), 3), 0);
    EXPECT_EQ(agent.ReadText(), "SGB");
    EXPECT_TRUE(agent.TakeShrinkNotice());
    EXPECT_FALSE(agent.TakeShrinkNotice());
    EXPECT_EQ(agent.LastReadSize(), 3u);
    ASSERT_EQ(truncate(file.c_str(), 0), 0);
    EXPECT_EQ(agent.ReadText(), "");
    agent.SendMFThis("CRV");
    EXPECT_EQ(agent.ReadText(), "CRV");
}

// The block is private to this user, or shared with one named group; a block
// that another user made, or that is open to others, is refused.
TEST(SharedBlock, IsPrivateAndARivalBlockIsRefused) {
    const auto modeOf = [](const std::string& name) {
        struct stat st {};
        stat(("/dev/shm/" + name).c_str(), &st);
        return st.st_mode & 0777;
    };
    {
        ScopedMailboxName name;
        SharedBlock block;
        ASSERT_EQ(block.Open(name.name()), SharedBlock::OpenResult::Mapped) << block.ErrorText();
        EXPECT_EQ(modeOf(name.name()), 0600u);
        SharedBlock again;
        EXPECT_EQ(again.Open(name.name()), SharedBlock::OpenResult::Mapped) << "its own block is used again";
    }
    {
        ScopedMailboxName name;
        SharedBlock block;
        ASSERT_EQ(block.Open(name.name(), SharedBlock::OpenMode::CreateOrOpen, getegid()),
                  SharedBlock::OpenResult::Mapped)
            << block.ErrorText();
        EXPECT_EQ(modeOf(name.name()), 0660u);
    }
    {
        ScopedMailboxName name;
        SharedBlock rival;
        ASSERT_EQ(rival.Open(name.name()), SharedBlock::OpenResult::Mapped);
        ASSERT_EQ(chmod(("/dev/shm/" + name.name()).c_str(), 0666), 0);
        SharedBlock agent;
        EXPECT_EQ(agent.Open(name.name()), SharedBlock::OpenResult::Refused);
        EXPECT_NE(agent.ErrorText().find("mode 666"), std::string::npos) << agent.ErrorText();
        EXPECT_FALSE(agent.HasView());
        // kx-ctl, opening the agent's own block, is not the one to judge it.
        SharedBlock client;
        EXPECT_EQ(client.Open(name.name(), SharedBlock::OpenMode::ExistingOnly), SharedBlock::OpenResult::Mapped);
    }
    if (geteuid() == 0) {
        ScopedMailboxName name;
        SharedBlock rival;
        ASSERT_EQ(rival.Open(name.name()), SharedBlock::OpenResult::Mapped);
        ASSERT_EQ(chown(("/dev/shm/" + name.name()).c_str(), 65534, 65534), 0);
        SharedBlock agent;
        EXPECT_EQ(agent.Open(name.name()), SharedBlock::OpenResult::Refused);
        EXPECT_NE(agent.ErrorText().find("owner 65534"), std::string::npos) << agent.ErrorText();
    }
}

TEST(SharedBlock, WritesTextAndOneNulAndLeavesTheBytesAfterIt) {
    ScopedMailboxName name;
    SharedBlock block;
    ASSERT_EQ(block.Open(name.name()), SharedBlock::OpenResult::Mapped);
    RawBlockView raw(name.name());
    block.SendMFThis("TRPT2024010120240131select");
    block.SendMFThis("CRV");
    EXPECT_EQ(raw.Bytes(0, 12), std::string("CRV\0"
                                            "20240101",
                                            12));
    block.SendMFThis("");
    EXPECT_EQ(raw.Bytes(0, 4), std::string("\0RV\0", 4));
    EXPECT_EQ(block.ReadText(), "");
}

TEST(SharedBlock, LongTextsAreCutToFitAndABlockWithoutNulReadsWhole) {
    ScopedMailboxName name;
    SharedBlock block;
    ASSERT_EQ(block.Open(name.name()), SharedBlock::OpenResult::Mapped);
    RawBlockView raw(name.name());
    block.SendMFThis(std::string(12000, 'x'));
    EXPECT_EQ(block.ReadText(), std::string(9999, 'x'));
    EXPECT_EQ(raw.bytes()[9999], '\0');

    std::memset(raw.bytes(), 'y', SharedBlock::kSize);
    EXPECT_EQ(block.ReadText(), std::string(10000, 'y'));
}

TEST(SharedBlock, KeepsALargerBlockAndItsContentWhenOpened) {
    ScopedMailboxName name;
    {
        RawBlockView raw(name.name());
        raw.Write("CMDfrom the front end");
    }
    const int fd = shm_open(("/" + name.name()).c_str(), O_RDWR, 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 20000), 0);
    close(fd);

    SharedBlock block;
    ASSERT_EQ(block.Open(name.name()), SharedBlock::OpenResult::Mapped);
    EXPECT_EQ(block.ReadText(), "CMDfrom the front end");
    struct stat st {};
    ASSERT_EQ(stat(("/dev/shm/" + name.name()).c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 20000);
}

TEST(SharedBlock, WithoutAViewReadsEmptyAndWritesNothing) {
    SharedBlock block;
    EXPECT_FALSE(block.HasView());
    block.SendMFThis("CRV");
    EXPECT_EQ(block.ReadText(), "");
}

TEST(SharedBlock, ClosingNeverRemovesTheName) {
    ScopedMailboxName name;
    {
        SharedBlock block;
        ASSERT_EQ(block.Open(name.name()), SharedBlock::OpenResult::Mapped);
        block.SendMFThis("RFA");
    }
    SharedBlock again;
    ASSERT_EQ(again.Open(name.name(), SharedBlock::OpenMode::ExistingOnly), SharedBlock::OpenResult::Mapped);
    EXPECT_EQ(again.ReadText(), "RFA");
}

TEST(SharedBlock, StartUpLogsTheFailureAndRunsOnWithoutAView) {
    test::TempHome home;
    FakeClock clock;
    Log log(home.path(), clock);
    SharedBlock block;
    EXPECT_EQ(CreateControlMailbox(block, "no/slash", log), SharedBlock::OpenResult::NoBlock);
    EXPECT_FALSE(block.HasView());
    const std::vector<std::string> texts = test::LogTexts(log.MainLogPath());
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0], "hMapFile = 0");

    ScopedMailboxName missing;
    EXPECT_EQ(block.Open(missing.name(), SharedBlock::OpenMode::ExistingOnly), SharedBlock::OpenResult::NoBlock);
    EXPECT_EQ(block.ErrorNumber(), ENOENT);
}

// The other process may read at any moment: it must see a whole text or nothing,
// never the head of a new command on the tail of an old one.
TEST(SharedBlock, AReaderNeverSeesAMixOfTwoTexts) {
    ScopedMailboxName name;
    SharedBlock writer;
    ASSERT_EQ(writer.Open(name.name()), SharedBlock::OpenResult::Mapped);
    SharedBlock reader;
    ASSERT_EQ(reader.Open(name.name()), SharedBlock::OpenResult::Mapped);
    const std::string a = "TRPT2024010120240131" + std::string(3000, 'a');
    const std::string b = "CRVTRP0";
    const std::string c = "OLD" + std::string(5000, 'c');
    std::atomic<bool> done{false};
    std::thread writes([&] {
        for (int i = 0; i < 20000; ++i) writer.SendMFThis(i % 3 == 0 ? a : i % 3 == 1 ? b : c);
        done = true;
    });
    int bad = 0;
    while (!done) {
        const std::string text = reader.ReadText();
        if (!text.empty() && text != a && text != b && text != c) {
            if (bad++ == 0) ADD_FAILURE() << "mixed text of " << text.size() << " bytes: " << text.substr(0, 30);
        }
    }
    writes.join();
    EXPECT_EQ(bad, 0);
}

}  // namespace
}  // namespace kx
