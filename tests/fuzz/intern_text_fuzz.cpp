// libFuzzer target for the international text file reader: any bytes load
// into the 1000 entries or fail with a logged line, never a crash, a throw
// or a read out of bounds. The reader's rules must hold: entries are trimmed
// single-line texts without commas, line ends of any kind and a byte-order
// mark read alike, and a file read twice over gives the same table.
//
//   cmake --build build-fuzz --target intern_text_fuzz
//   mkdir -p /tmp/intern_text-corpus && cp tests/fuzz/corpus/intern_text/* /tmp/intern_text-corpus/
//   build-fuzz/bin/intern_text_fuzz -dict=tests/fuzz/intern_text.dict -max_len=4096 -timeout=5 \
//       -runs=10000000 /tmp/intern_text-corpus
//
// Input: the file's bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/clock.h"
#include "core/intern_text.h"
#include "core/log.h"
#include "fuzz_home.h"

using kx::fuzz::Require;

namespace {

bool SameTable(const kx::InternArray& a, const kx::InternArray& b) {
    for (int n = 1; n <= kx::InternArray::kSize; ++n)
        if (a[n] != b[n]) return false;
    return true;
}

std::string WithLineEnds(std::string_view bytes, const char* end) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            out += end;
        } else {
            out += bytes[i];
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static kx::fuzz::FuzzHome home("kx_intern_fuzz");
    static kx::FakeClock clock;
    static kx::Log log(home.path(), clock);
    static kx::InternArray table, other;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const bool loaded = kx::LoadInternTextBytes(table, log, bytes);
    for (int n = 1; n <= kx::InternArray::kSize; ++n) {
        const std::string& e = table[n];
        if (e.empty()) continue;
        Require(static_cast<unsigned char>(e.front()) > ' ' && static_cast<unsigned char>(e.back()) > ' ');
        Require(e.find_first_of(",\r\n") == std::string::npos);
    }
    Require(table[0].empty() && table[kx::InternArray::kSize + 1].empty());

    if (bytes.starts_with("\xEF\xBB\xBF")) return 0;
    // A failing load stops at the same line the second time over.
    const std::string twice = std::string(bytes) + "\n" + std::string(bytes);
    Require(kx::LoadInternTextBytes(other, log, "\xEF\xBB\xBF" + WithLineEnds(twice, "\r\n")) == loaded &&
            SameTable(table, other));
    Require(kx::LoadInternTextBytes(other, log, WithLineEnds(bytes, "\r")) == loaded && SameTable(table, other));
    return 0;
}
