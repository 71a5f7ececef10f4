// libFuzzer target for the formula evaluator: every input runs through the
// simple language, the statement language and CalFormula, which must neither
// crash nor read out of bounds nor hang, and must keep the shape of their
// answers (a trap marks a broken rule).
//
// Build (clang only):
//   cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DKX_FUZZ=ON -DKX_BUILD_BENCH=OFF
//   cmake --build build-fuzz --target formula_fuzz
// Run for five minutes, with the word list and a growing corpus seeded from ours:
//   mkdir -p /tmp/formula-corpus && cp tests/fuzz/corpus/formula/* /tmp/formula-corpus/
//   build-fuzz/bin/formula_fuzz -dict=tests/fuzz/formula.dict -max_total_time=300 -timeout=5 \
//       -rss_limit_mb=2048 -max_len=65536 /tmp/formula-corpus
// Replay one input: build-fuzz/bin/formula_fuzz crash-<hash>
//
// Input layout: byte 0 holds the three day flags (bits 0-2) and whether trace
// lines are written (bit 3); bytes 1-6 choose WKI, WKO, OTI, OTO, MLI, MLO;
// the rest is the formula text.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>

#include "core/clock.h"
#include "core/log.h"
#include "engine/complex_formula.h"
#include "engine/formula.h"
#include "engine/simple_formula.h"
#include "support/minutes_text.h"

namespace {

// Trace lines are built and written to /dev/null, so the log code is fuzzed too.
struct FuzzLogs {
    FuzzLogs() { traced.SetDetailThreshold(999); }
    ~FuzzLogs() {
        std::error_code ec;
        std::filesystem::remove_all(home, ec);
    }
    static std::filesystem::path MakeHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kx_formula_fuzz_XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        std::filesystem::create_symlink("/dev/null", std::filesystem::path(pattern) / "KX_ATA.Log");
        return pattern;
    }

    // Declared before the logs, which copy it.
    std::filesystem::path home = MakeHome();
    kx::FakeClock clock;
    kx::Log quiet{home, clock};
    kx::Log traced{home, clock};
};

std::int32_t Stamp(std::uint8_t b) {
    static constexpr std::int32_t kExtremes[] = {std::numeric_limits<std::int32_t>::max(),
                                                 std::numeric_limits<std::int32_t>::min(),
                                                 -1,
                                                 -999,
                                                 65220990,
                                                 65221535,
                                                 1,
                                                 2};
    if (b == 0) return 0;
    if (b < 128) return b * 17;
    return kExtremes[b % 8];
}

using kx::test::IsMinutesText;

void Require(bool rule) {
    if (!rule) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzLogs logs;
    constexpr std::size_t kHeader = 7;
    if (size < kHeader) return 0;

    kx::FormulaInputs in;
    in.WorkHalfDay = data[0] & 1;
    in.WKIWKO = data[0] & 2;
    in.WKIOTO = data[0] & 4;
    const kx::Log& log = (data[0] & 8) && size < 8192 ? logs.traced : logs.quiet;
    in.WKI = Stamp(data[1]);
    in.WKO = Stamp(data[2]);
    in.OTI = Stamp(data[3]);
    in.OTO = Stamp(data[4]);
    in.MLI = Stamp(data[5]);
    in.MLO = Stamp(data[6]);
    const std::string text(reinterpret_cast<const char*>(data + kHeader), size - kHeader);

    const kx::FormulaResult simple = kx::EvalSimpleFormula(log, text, in);
    Require(IsMinutesText(simple.value));
    Require(simple.error.empty() || simple.value == "0");

    kx::FormulaParser parser(log);
    parser.InitParser(in);
    parser.ParseFormula(text);
    std::string endText;
    const bool valid = parser.ParseEndRes(endText);
    Require(valid == parser.ErrorText().empty());

    const kx::FormulaResult chosen = kx::CalFormula(log, text, in);
    Require(IsMinutesText(chosen.value));
    Require(chosen.error.empty() || chosen.value == "0");
    if (text.find(';') == std::string::npos) Require(chosen.value == simple.value && chosen.error == simple.error);
    return 0;
}
