// Random international text files written from a model (entry numbers in
// decimal and hexadecimal, out of range, blanks, missing commas, every line
// end, a byte-order mark, a first field that is no number), and mutations of
// them. A load must give the model's table and answer, and reading the file
// must give the same as reading its bytes. 2,000 files by default;
// KX_FUZZ_LONG=1 runs 200,000, KX_FUZZ_SEED picks another seed.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/intern_text.h"
#include "core/log.h"
#include "support/random_text.h"
#include "support/test_db.h"

namespace kx {
namespace {

// clang-format off
const std::vector<std::string> kWords = {",", ",,", ",,,", "502", "1000", "1001", "0", "-1", "$1F6", "0x1f6",
                                         "abc", "\r\n", "\n", "\r", "\xEF\xBB\xBF", " ", std::string(1, '\0')};
// clang-format on

std::string Blanks(test::Rng& rng) { return std::string(rng.Below(3), rng.Chance(0.7) ? ' ' : '\t'); }

// Printable at both ends, no comma and no line end.
std::string Field(test::Rng& rng, std::size_t maxLength) {
    std::string text;
    const std::size_t length = rng.Below(maxLength + 1);
    for (std::size_t i = 0; i < length; ++i) {
        char c = static_cast<char>(33 + rng.Below(94));
        if (c == ',') c = ';';
        if (i > 0 && i + 1 < length && rng.Chance(0.15)) c = ' ';
        if (rng.Chance(0.05)) c = static_cast<char>(0x80 + rng.Below(128));
        text += c;
    }
    return text;
}

std::string NumberText(test::Rng& rng, int n) {
    char buf[32];
    switch (rng.Below(5)) {
    case 0: std::snprintf(buf, sizeof buf, "$%X", n); break;
    case 1: std::snprintf(buf, sizeof buf, "0x%x", n); break;
    case 2: std::snprintf(buf, sizeof buf, "+%04d", n); break;
    default: std::snprintf(buf, sizeof buf, "%d", n);
    }
    return buf;
}

struct Model {
    std::string bytes;
    std::map<int, std::string> entries;
    bool loaded = true;
};

Model RandomFile(test::Rng& rng) {
    Model m;
    if (rng.Chance(0.2)) m.bytes = "\xEF\xBB\xBF";
    const std::size_t lines = rng.Below(30);
    for (std::size_t i = 0; i < lines; ++i) {
        std::string line;
        switch (rng.Below(10)) {
        case 0: {  // outside 1..1000
            const std::vector<std::string> outside = {"0", "1001", "-1", "99999999999999999999999", "$3E9"};
            line = rng.Pick(outside) + "," + Field(rng, 5) + "," + Field(rng, 5) + ",";
            break;
        }
        case 1:  // fewer than three commas: skipped, even without a number
            line = rng.Pick(std::vector<std::string>{"502,Off Day,Libre", "abc,x", "no commas", "", "1,,"});
            break;
        case 2:
            if (rng.Chance(0.2)) {  // a first field that is no number ends the load
                line = rng.Pick(std::vector<std::string>{"abc", "", "12a", "$", "0x", "5 5"}) + ",x,y,";
                if (m.loaded) m.loaded = false;
                break;
            }
            [[fallthrough]];
        default: {
            const int n = 1 + static_cast<int>(rng.Below(rng.Chance(0.5) ? 1000 : 20));
            const std::string text = Field(rng, 24);
            line = Blanks(rng) + NumberText(rng, n) + Blanks(rng) + "," + Field(rng, 8) + "," + Blanks(rng) + text +
                   Blanks(rng) + "," + (rng.Chance(0.3) ? Field(rng, 8) + ",more,commas," : "");
            if (m.loaded) m.entries[n] = text;
        }
        }
        m.bytes += line + rng.Pick(std::vector<std::string>{"\n", "\r\n", "\r"});
    }
    return m;
}

std::string CheckTable(const InternArray& table, const std::map<int, std::string>& entries) {
    for (int n = 1; n <= InternArray::kSize; ++n) {
        const auto e = entries.find(n);
        const std::string expected = e == entries.end() ? "" : e->second;
        if (table[n] != expected)
            return "entry " + std::to_string(n) + " \"" + test::Escaped(table[n]) + "\", expected \"" +
                   test::Escaped(expected) + "\"";
    }
    return {};
}

TEST(InternTextRandom, ModelFilesLoadAsWrittenAndAnyBytesLoadOrFailCleanly) {
    const test::RandomRun run = test::RandomRunFromEnv(20261209, 2000, 200000);
    test::Rng rng(run.seed);
    test::TempHome home;
    FakeClock clock;
    const Log log(home.path(), clock);
    InternArray table, fromFile;
    std::string previous = "502,Off Day,Libre,\n206,Rest Day,Repos,\n";
    std::size_t failures = 0;
    for (std::size_t n = 0; n < run.count; ++n) {
        const Model m = RandomFile(rng);
        const bool mutated = rng.Chance(0.25);
        const std::string bytes =
            mutated ? test::Mutated(rng, rng.Chance(0.5) ? previous : m.bytes, kWords, m.bytes) : m.bytes;
        const std::string trace =
            "seed " + std::to_string(run.seed) + ", file " + std::to_string(n) + ": \"" + test::Escaped(bytes) + "\"";

        const bool loaded = LoadInternTextBytes(table, log, bytes);
        if (!mutated) {
            ASSERT_EQ(loaded, m.loaded) << trace;
            const std::string fault = CheckTable(table, m.entries);
            ASSERT_TRUE(fault.empty()) << fault << "\n  " << trace;
        }
        if (!loaded) ++failures;
        if (n % 200 == 0) {
            std::ofstream(home.path() / "intl.txt", std::ios::binary) << bytes;
            ASSERT_EQ(LoadInternText(fromFile, log, home.path() / "intl.txt"), loaded) << trace;
            for (int e = 1; e <= InternArray::kSize; ++e)
                ASSERT_EQ(fromFile[e], table[e]) << "entry " << e << ", " << trace;
        }
        if (bytes.size() < 300) previous = bytes;
    }
    EXPECT_GT(failures, 0u);
    EXPECT_LT(failures, run.count / 2);
}

}  // namespace
}  // namespace kx
