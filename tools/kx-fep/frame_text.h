#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kx::feptool {

// Bytes as one readable line: control bytes by name ("<SOH>", "<CR>"), bytes
// above 126 as "<xHH>"; text over maxShown bytes is cut and its length given.
std::string ShowBytes(std::string_view bytes, std::size_t maxShown = 200);

struct Frame {
    enum class Kind {
        Poll,         // led by SOH, up to CR
        InterModule,  // led by SI, up to CR
        Command,      // anything else: the rest of the receipt
        Dropped,      // an SOH/SI frame that outgrew the buffer; bytes empty, dropped counts it
    };
    Kind kind = Kind::Command;
    std::string bytes;
    std::size_t dropped = 0;
};

// Cuts what arrives on one connection into frames. SOH and SI frames end at CR
// and may come in pieces; a relayed command has no terminator, so it is the
// rest of the receipt it starts in. An unfinished frame is held up to a cap;
// beyond it the frame is dropped and its bytes skipped up to the next CR, so a
// client that never sends a CR cannot make the buffer grow.
class FrameSplitter {
public:
    static constexpr std::size_t kDefaultCap = 64 * 1024;

    explicit FrameSplitter(std::size_t cap = kDefaultCap) : cap_(cap) {}

    std::vector<Frame> Feed(std::string_view receipt);
    std::size_t Held() const { return pending_.size(); }

private:
    std::size_t cap_;
    std::string pending_;
    bool skipping_ = false;
    std::size_t skipped_ = 0;
};

}  // namespace kx::feptool
