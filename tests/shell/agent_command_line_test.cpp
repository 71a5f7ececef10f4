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

TEST(AgentCommandLineTest, WrongArgumentsAreRefused)
{
    const std::vector<std::vector<std::string>> cases{
        {"--bogus"},  {"home"},          {"--home"},          {"--mailbox"},     {"--mailbox", "a/b"},
        {"--home="},  {"--server=yes"},  {"--mailbox", ""},  {"-x"},  {"--headless=0"},
        {"--mailbox-group"},  {"--mailbox-group="},  {"--version=1"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        EXPECT_THROW(ParseAgentCommandLine(args), CLI::ParseError);
    }
}

// The help is CLI11's list of the options, led by the synopsis the README shows.
TEST(AgentCommandLineTest, HelpListsEveryOption)
{
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

}  // namespace
}  // namespace kx
