#pragma once
#include <array>
#include <string>

namespace kx {

// One auto-fit pattern: up to three candidate shifts with the ranges of
// first-in and last-out times (on the extended clock) that select each.
struct AutoFitRecord {
    static constexpr int kMaxShifts = 3;

    std::string Tag;
    int Count = 0;  // shifts held, 0 to kMaxShifts
    std::array<std::string, kMaxShifts> Shift;
    std::array<std::string, kMaxShifts> InLow;
    std::array<std::string, kMaxShifts> InUp;
    std::array<std::string, kMaxShifts> OutLow;
    std::array<std::string, kMaxShifts> OutUp;
};

// The auto-fit patterns loaded at start-up: a fixed list of 100 with the
// number of patterns loaded.
struct AFRecList {
    static constexpr int kCapacity = 100;

    std::array<AutoFitRecord, kCapacity> items;
    int count = 0;

    void Clear() { *this = AFRecList{}; }
};

}  // namespace kx
