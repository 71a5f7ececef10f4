#include "shell/agent_command_line.h"

#include <gtest/gtest.h>


namespace kx {
namespace {

using Action = AgentCommandLine::Action;

TEST(AgentCommandLineTest, OptionsAreRead)
{
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

TEST(AgentCommandLineTest, WrongArgumentsAreRefused)
{
    const std::vector<std::vector<std::string>> cases{
        {"--bogus"},  {"home"},          {"--home"},          {"--mailbox"},     {"--mailbox", "a/b"},
        {"--home="},  {"--server=yes"},  {"--mailbox", ""},  {"-x"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        EXPECT_THROW(ParseAgentCommandLine(args), CommandLineError);
    }
}

TEST(AgentCommandLineTest, OneShotRunsAreRead)
{
    struct Case {
        std::vector<std::string> args;
        Action action;
        std::string staff, first, last, staffSql, source;
        bool json, dryRun;
    };
    const std::vector<Case> cases{
        {{"--explain", "E1", "20261110"}, Action::Explain, "E1", "20261110", "", "", "", false, false},
        {{"--home", "/srv", "--explain", "E1", "20261110", "--json"}, Action::Explain, "E1", "20261110", "", "", "",
         true, false},
        {{"--reprocess", "20261101", "20261130"}, Action::Reprocess, "", "20261101", "20261130", "", "", false, false},
        {{"--reprocess", "20261101", "20261130", "--staff-sql", "select * from cards", "--source=D", "--dry-run"},
         Action::Reprocess, "", "20261101", "20261130", "select * from cards", "D", false, true},
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

TEST(AgentCommandLineTest, OneShotRunsRefuseWhatDoesNotGoWithThem)
{
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
        EXPECT_THROW(ParseAgentCommandLine(args), CommandLineError);
    }
}

}  // namespace
}  // namespace kx
