// Random table-definition heads: a login hidden with any key byte among any
// filler decodes to what was hidden, and any head at all decodes to fields
// of at most 32 characters that hide back to the same login. Some heads go
// through a file, short ones too. 20,000 heads by default; KX_FUZZ_LONG=1
// runs two million, KX_FUZZ_SEED picks another seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

#include "core/clock.h"
#include "core/log.h"
#include "shell/table_def_login.h"
#include "support/random_text.h"
#include "support/test_db.h"

namespace kx {
namespace {

// Character i of a field sits at base + 3i - 1 as (c - k - i) mod 256; a zero
// byte ends a field of fewer than 32.
void Hide(std::string& head, unsigned k, unsigned base, const std::string& text) {
    for (unsigned i = 1; i <= text.size(); ++i)
        head[base + 3 * i - 1] = static_cast<char>((static_cast<unsigned char>(text[i - 1]) + 512 - k - i) % 256);
    if (text.size() < 32) head[base + 3 * (text.size() + 1) - 1] = '\0';
}

// Up to 32 characters that the key can hide: character i may not be k + i.
std::string Hideable(test::Rng& rng, unsigned k) {
    std::string text(rng.Below(33), '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        do text[i] = rng.AnyByte();
        while (static_cast<unsigned char>(text[i]) == (k + i + 1) % 256);
    }
    return text;
}

std::string Filler(test::Rng& rng) {
    std::string head(kTableDefHeadSize, '\0');
    for (std::size_t i = 0; i < head.size(); i += 8) {
        const std::uint64_t bits = rng.Bits();
        std::memcpy(head.data() + i, &bits, std::min<std::size_t>(8, head.size() - i));
    }
    if (rng.Chance(0.3))  // mostly zero bytes: fields end early
        for (char& c : head)
            if (c & 1) c = '\0';
    return head;
}

TEST(TableDefLoginRandom, HiddenLoginsComeBackAndAnyHeadDecodesWithinItsFields) {
    const test::RandomRun run = test::RandomRunFromEnv(20261209, 20000, 2000000);
    test::Rng rng(run.seed);
    test::TempHome home;
    FakeClock clock;
    const Log log(home.path(), clock);
    for (std::size_t n = 0; n < run.count; ++n) {
        std::string head = Filler(rng);
        const unsigned k = static_cast<unsigned char>(head[1]);
        const bool hidden = rng.Chance(0.5);
        TableDefLogin expected;
        if (hidden) {
            expected.user = Hideable(rng, k);
            const std::string password = Hideable(rng, k);
            Hide(head, k, k, expected.user);
            Hide(head, k, k + 96, password);
            if (!password.empty()) expected.password = password;
        }
        if (rng.Chance(0.1)) head += test::RawBytes(rng, 64);  // only the head counts
        const std::string trace =
            "seed " + std::to_string(run.seed) + ", head " + std::to_string(n) + ", k " + std::to_string(k);

        const TableDefLogin login = DecodeTableDefLogin(head);
        if (hidden) {
            ASSERT_EQ(login, expected) << trace;
        }
        ASSERT_LE(login.user.size(), 32u) << trace;
        ASSERT_LE(login.password.size(), 32u) << trace;
        std::string again(kTableDefHeadSize, '\0');
        again[1] = head[1];
        Hide(again, k, k, login.user);
        Hide(again, k, k + 96, login.password == "NULL" ? "" : login.password);
        ASSERT_EQ(DecodeTableDefLogin(again), login) << trace;

        const std::string shorter = head.substr(0, rng.Below(kTableDefHeadSize));
        ASSERT_EQ(DecodeTableDefLogin(shorter), TableDefLogin{}) << trace << ", " << shorter.size() << " bytes";

        if (n % 500 == 0) {  // the file reader gives the same, and a short file neither value
            const std::filesystem::path file = home.path() / "Kairox.tab";
            std::ofstream(file, std::ios::binary) << head;
            ASSERT_EQ(ReadTableDefLogin(file, "Kairox.tab", log), login) << trace;
            std::ofstream(file, std::ios::binary | std::ios::trunc) << shorter;
            ASSERT_EQ(ReadTableDefLogin(file, "Kairox.tab", log), TableDefLogin{}) << trace;
        }
    }
}

}  // namespace
}  // namespace kx
