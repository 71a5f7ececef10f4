#pragma once
// Seeded random texts for the in-suite random runs of the parsers. Each run is
// short by default; KX_FUZZ_LONG=1 runs its long count and KX_FUZZ_SEED picks
// another seed, so a failure reported with its seed can be replayed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace kx::test {

class Rng {
public:
    explicit Rng(std::uint64_t seed) : engine_(seed) {}
    std::size_t Below(std::size_t n) {
        return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(engine_);
    }
    bool Chance(double p) { return std::bernoulli_distribution(p)(engine_); }
    template <typename T>
    const T& Pick(const std::vector<T>& v) {
        return v[Below(v.size())];
    }
    char AnyByte() { return static_cast<char>(Below(256)); }
    std::int32_t AnyInt32() { return static_cast<std::int32_t>(engine_()); }
    std::uint64_t Bits() { return engine_(); }

private:
    std::mt19937_64 engine_;
};

inline std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtoull(v, nullptr, 10) : fallback;
}

struct RandomRun {
    std::uint64_t seed;
    std::size_t count;
};

inline RandomRun RandomRunFromEnv(std::uint64_t defaultSeed, std::size_t shortCount, std::size_t longCount) {
    return {EnvNumber("KX_FUZZ_SEED", defaultSeed), EnvNumber("KX_FUZZ_LONG", 0) == 1 ? longCount : shortCount};
}

// Printable, with every other byte as \xNN; long texts are cut for the message.
inline std::string Escaped(const std::string& text, std::size_t shown = 400) {
    std::string out;
    for (const unsigned char c : text.substr(0, shown)) {
        if (c >= 32 && c < 127 && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        }
    }
    if (text.size() > shown) out += "... (" + std::to_string(text.size()) + " bytes)";
    return out;
}

// Up to maxLength bytes, half the time printable only.
inline std::string RawBytes(Rng& rng, std::size_t maxLength) {
    std::string text(rng.Below(maxLength + 1), '\0');
    const bool printable = rng.Chance(0.5);
    for (char& c : text) c = printable ? static_cast<char>(32 + rng.Below(95)) : rng.AnyByte();
    return text;
}

// A few random edits: bytes changed, inserted or erased, words of the input's
// language inserted, pieces of the text itself or of another text spliced in.
inline std::string Mutated(Rng& rng, std::string text, const std::vector<std::string>& words,
                           const std::string& other) {
    const std::size_t mutations = 1 + rng.Below(8);
    for (std::size_t m = 0; m < mutations; ++m) {
        const std::size_t at = rng.Below(text.size() + 1);
        switch (rng.Below(6)) {
        case 0:
            if (!text.empty()) text[rng.Below(text.size())] = rng.AnyByte();
            break;
        case 1: text.insert(at, 1, rng.AnyByte()); break;
        case 2:
            if (!words.empty()) text.insert(at, rng.Pick(words));
            break;
        case 3: text.erase(at, rng.Below(8)); break;
        case 4: text.insert(at, text.substr(rng.Below(text.size() + 1), rng.Below(16))); break;
        default: text.insert(at, other.substr(rng.Below(other.size() + 1), rng.Below(64))); break;
        }
    }
    return text;
}

}  // namespace kx::test
