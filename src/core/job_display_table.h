#pragma once
#include <array>
#include <string>

namespace kx {

// The job display texts of kt_acti, entries 1 to 18: for each display text
// d in query order, d + " IN" and d + " OUT".
class JobDisplayTable {
public:
    static constexpr int kSize = 18;

    // Empty for an index outside 1..18.
    const std::string& operator[](int index) const {
        static const std::string empty;
        return index >= 1 && index <= kSize ? entries_[static_cast<std::size_t>(index - 1)] : empty;
    }
    // Entries beyond the 18th are never written.
    void Set(int index, std::string text) {
        if (index >= 1 && index <= kSize) entries_[static_cast<std::size_t>(index - 1)] = std::move(text);
    }
    void Clear() { entries_ = {}; }

private:
    std::array<std::string, kSize> entries_{};
};

}  // namespace kx
