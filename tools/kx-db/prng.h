#pragma once
#include <cstddef>
#include <cstdint>

namespace kx::dbtool {

// SplitMix64. Demo data must come out the same for a seed on every machine and
// library version, so no standard distributions: integer arithmetic only.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}

    // An independent stream per (seed, a, b, c): the data of one staff-day does not
    // depend on what was drawn before it.
    static Rng For(std::uint64_t seed, std::uint64_t a, std::uint64_t b = 0, std::uint64_t c = 0) {
        Rng mixer(seed ^ 0x6b78646244656d6fULL);
        std::uint64_t s = mixer.Next();
        s = Rng(s ^ a).Next();
        s = Rng(s ^ b).Next();
        s = Rng(s ^ c).Next();
        return Rng(s);
    }

    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }

    // 0 .. n-1; n must be positive.
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
    // lo .. hi inclusive.
    int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
    // True with a probability of permille / 1000.
    bool PerMille(int permille) { return Below(1000) < permille; }

    template <class T, std::size_t N>
    const T& Pick(const T (&items)[N]) {
        return items[Below(static_cast<int>(N))];
    }

private:
    std::uint64_t state_;
};

}  // namespace kx::dbtool
