#include "shell/table_def_login.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/agent_context.h"
#include "support/file_text.h"
#include "support/test_db.h"

namespace kx {
namespace {

namespace fs = std::filesystem;

// Hides user and password the way the decoder reads them: character i of a
// field sits at base + 3i - 1 as (c - k - i) mod 256, a zero byte ends it.
std::string EncodeTableDef(unsigned char k, const std::string& user, const std::string& password,
                           std::size_t size = kTableDefHeadSize) {
    std::string bytes(size, '\xA5');  // no zero bytes but the terminators
    bytes[1] = static_cast<char>(k);
    auto put = [&](unsigned base, const std::string& text) {
        for (unsigned i = 1; i <= 32; ++i) {
            const std::size_t at = base + 3 * i - 1;
            if (i > text.size()) {
                bytes[at] = 0;
                return;
            }
            const auto c = static_cast<unsigned char>(text[i - 1]);
            const auto b = static_cast<unsigned char>((c + 512 - k - i) % 256);
            EXPECT_NE(b, 0) << "character " << i << " cannot be hidden with k " << int(k);
            bytes[at] = static_cast<char>(b);
        }
    };
    put(k, user);
    put(k + 96u, password);
    return bytes;
}

TEST(TableDefLogin, DecodesWhatTheEncoderHid) {
    const std::string max32(32, 'u');
    const struct {
        unsigned char k;
        std::string user, password;
        TableDefLogin expected;
    } cases[] = {
        {0, "sa", "secret", {"sa", "secret"}},
        {1, "sa", "secret", {"sa", "secret"}},
        {77, "ATA_user", "p@ss'word", {"ATA_user", "p@ss'word"}},
        {200, "admin", "zz", {"admin", "zz"}},              // (c - k - i) wraps below zero
        {255, "~~~~", "\xE9t\xE9", {"~~~~", "\xE9t\xE9"}},  // and (byte + k + i) above 255
        {10, "", "pw", {"", "pw"}},                         // an empty user name is still taken
        {10, "user", "", {"user", "NULL"}},                 // no password keeps "NULL"
        {10, "", "", {"", "NULL"}},
        {3, max32, max32, {max32, max32}},      // 32 characters without a terminator
        {3, max32 + "xyz", "p", {max32, "p"}},  // never more than 32
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeTableDefLogin(EncodeTableDef(c.k, c.user, c.password)), c.expected) << "k " << int(c.k);
}

TEST(TableDefLogin, ShortHeadGivesNull) {
    EXPECT_EQ(DecodeTableDefLogin(EncodeTableDef(5, "sa", "pw").substr(0, 1023)), TableDefLogin{});
}

class TableDefFileTest : public ::testing::Test {
protected:
    std::string MainLog() { return test::FileText(home / "KX_ATA.Log"); }

    test::TempHome temp;
    fs::path home = temp.path();
    FakeClock clock{MakeLocalTime(2026, 12, 8, 10, 0, 0)};
};

TEST_F(TableDefFileTest, ReadsTheFileOfTheIntegrationMode) {
    fs::create_directory(home / "tabs");
    std::ofstream(home / "tabs" / "Tessel.tab", std::ios::binary) << EncodeTableDef(42, "sa", "pw", 5000);
    AgentContext ctx(home, clock);
    ctx.derived.tableDefFile = "tabs/Tessel.tab";
    EXPECT_EQ(ReadTableDefLogin(ctx), (TableDefLogin{"sa", "pw"}));
    EXPECT_FALSE(fs::exists(home / "KX_ATA.Log"));
}

TEST_F(TableDefFileTest, MissingFileIsLogged) {
    AgentContext ctx(home, clock);
    ctx.derived.tableDefFile = "Kairox.tab";
    EXPECT_EQ(ReadTableDefLogin(ctx), TableDefLogin{});
    EXPECT_EQ(MainLog(), "08/12/26 10:00:00 : Failed to locate: Kairox.tab\n");
}

TEST_F(TableDefFileTest, ShortOrUnreadableFileIsAReadFailure) {
    std::ofstream(home / "Kairox.tab", std::ios::binary) << EncodeTableDef(42, "sa", "pw", 1023);
    fs::create_directory(home / "Nimbnet.tab");
    Log log(home, clock);
    EXPECT_EQ(ReadTableDefLogin(home / "Kairox.tab", "Kairox.tab", log), TableDefLogin{});
    EXPECT_EQ(ReadTableDefLogin(home / "Nimbnet.tab", "Nimbnet.tab", log), TableDefLogin{});
    const std::string text = MainLog();
    EXPECT_NE(text.find(" : Read beyond end of file \"Kairox.tab\" (1023 of 1024 bytes)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Nimbnet.tab"), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
}

}  // namespace
}  // namespace kx
