#include "shell/agent_command_line.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

using Action = AgentCommandLine::Action;

TEST(AgentCommandLineTest, OptionsAreRead) {
    struct Case {
        std::vector<std::string> args;
        Action action;
        std::string home;
        bool server;
        bool headless;
        std::string mailbox;
    };
    const std::vector<Case> cases{
        {{}, Action::Run, "", false, false, "KT3MapFile"},
        {{"--home", "/srv/kx", "--server", "--headless", "--mailbox", "M2"}, Action::Run, "/srv/kx", true, true, "M2"},
        {{"--home=/srv/kx", "--mailbox=M3"}, Action::Run, "/srv/kx", false, false, "M3"},
        {{"--version"}, Action::ShowVersion, "", false, false, "KT3MapFile"},
        {{"--version", "--help"}, Action::ShowHelp, "", false, false, "KT3MapFile"},
        {{"--help", "--version"}, Action::ShowHelp, "", false, false, "KT3MapFile"},
        {{"--bogus", "--help"}, Action::ShowHelp, "", false, false, "KT3MapFile"},
        {{"--home", "/a", "--home", "/b", "--mailbox=M1", "--mailbox", "M4"}, Action::Run, "/b", false, false, "M4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const AgentCommandLine line = ParseAgentCommandLine(c.args);
        EXPECT_EQ(line.action, c.action);
        EXPECT_EQ(line.home.string(), c.home);
        EXPECT_EQ(line.serverMode, c.server);
        EXPECT_EQ(line.headless, c.headless);
        EXPECT_EQ(line.mailboxName, c.mailbox);
    }
}

TEST(AgentCommandLineTest, WrongArgumentsAreRefused) {
    const std::vector<std::vector<std::string>> cases{
        {"--bogus"},      {"home"},          {"--home"}, {"--mailbox"},    {"--mailbox", "a/b"}, {"--home="},
        {"--server=yes"}, {"--mailbox", ""}, {"-x"},     {"--headless=0"}, {"--mailbox-group"},  {"--mailbox-group="},
        {"--version=1"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        EXPECT_THROW(ParseAgentCommandLine(args), CLI::ParseError);
    }
}

// The help is CLI11's list of the options, led by the synopsis the README shows.
TEST(AgentCommandLineTest, HelpListsEveryOption) {
    const std::string help = AgentUsageText();
    EXPECT_EQ(help.rfind(AgentSynopsisText(), 0), 0u) << help;
    for (const char* option : {"--home DIR", "--server", "--headless", "--mailbox NAME", "--mailbox-group GROUP",
                               "--version", "--help", "Exit status:"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    std::size_t begin = 0;
    while (begin < help.size()) {
        const std::size_t end = std::min(help.find('\n', begin), help.size());
        if (!help.substr(begin, end - begin).starts_with("Usage:")) {
            EXPECT_LE(end - begin, 80u) << help.substr(begin, end - begin);
        }
        begin = end + 1;
    }
}

TEST(AgentCommandLineTest, OneShotRunsAreRead) {
    struct Case {
        std::vector<std::string> args;
        Action action;
        std::string staff, first, last, staffSql, source;
        bool json, dryRun;
    };
    const std::vector<Case> cases{
        {{"--explain", "E1", "20261110"}, Action::Explain, "E1", "20261110", "", "", "", false, false},
        {{"--home", "/srv", "--explain", "E1", "20261110", "--json"},
         Action::Explain,
         "E1",
         "20261110",
         "",
         "",
         "",
         true,
         false},
        {{"--reprocess", "20261101", "20261130"}, Action::Reprocess, "", "20261101", "20261130", "", "", false, false},
        {{"--reprocess", "20261101", "20261130", "--staff-sql", "select * from cards", "--source=D", "--dry-run"},
         Action::Reprocess,
         "",
         "20261101",
         "20261130",
         "select * from cards",
         "D",
         false,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const AgentCommandLine line = ParseAgentCommandLine(c.args);
        EXPECT_EQ(line.action, c.action);
        EXPECT_EQ(line.staff, c.staff);
        EXPECT_EQ(line.firstDate, c.first);
        EXPECT_EQ(line.lastDate, c.last);
        EXPECT_EQ(line.staffSql, c.staffSql);
        EXPECT_EQ(line.source, c.source);
        EXPECT_EQ(line.json, c.json);
        EXPECT_EQ(line.dryRun, c.dryRun);
    }
}

TEST(AgentCommandLineTest, OneShotRunsRefuseWhatDoesNotGoWithThem) {
    const std::vector<std::vector<std::string>> cases{
        {"--explain", "E1"},
        {"--reprocess", "20261101"},
        {"--explain=E1", "20261110", "x"},
        {"--explain", "E1", "20261110", "--reprocess", "20261101", "20261102"},
        {"--explain", "E1", "20261110", "--dry-run"},
        {"--reprocess", "20261101", "20261102", "--json"},
        {"--reprocess", "20261101", "20261102", "--source", "X"},
        {"--reprocess", "20261101", "20261102", "--staff-sql", " "},
        {"--reprocess", "20261101", "20261102", "--server"},
        {"--explain", "E1", "20261110", "--mailbox", "M2"},
        {"--dry-run"},
        {"--json"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        EXPECT_THROW(ParseAgentCommandLine(args), CLI::ParseError);
    }
}

}  // namespace
}  // namespace kx
