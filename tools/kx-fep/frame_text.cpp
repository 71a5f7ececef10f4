#include "kx-fep/frame_text.h"

#include <cstdio>

#include "comms/fep_frames.h"

namespace kx::feptool {

namespace {

constexpr const char* kControlNames[32] = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT", "LF",  "VT",  "FF", "CR", "SO", "SI",
    "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB", "CAN", "EM", "SUB", "ESC", "FS", "GS", "RS", "US",
};

}  // namespace

std::string ShowBytes(std::string_view bytes, std::size_t maxShown) {
    std::string shown;
    const std::size_t count = std::min(bytes.size(), maxShown);
    for (std::size_t i = 0; i < count; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 32) {
            shown += '<';
            shown += kControlNames[byte];
            shown += '>';
        } else if (byte > 126) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<x%02X>", byte);
            shown += hex;
        } else {
            shown += static_cast<char>(byte);
        }
    }
    if (count < bytes.size()) shown += "... (" + std::to_string(bytes.size()) + " bytes)";
    return shown;
}

std::vector<Frame> FrameSplitter::Feed(std::string_view receipt) {
    std::vector<Frame> frames;
    while (!receipt.empty()) {
        const std::size_t cr = receipt.find(CR);
        if (skipping_) {
            if (cr == std::string_view::npos) {
                skipped_ += receipt.size();
                break;
            }
            frames.push_back({Frame::Kind::Dropped, {}, skipped_ + cr + 1});
            skipping_ = false;
            skipped_ = 0;
            receipt.remove_prefix(cr + 1);
            continue;
        }
        if (pending_.empty() && receipt[0] != SOH && receipt[0] != SI) {
            frames.push_back({Frame::Kind::Command, std::string(receipt), 0});
            break;
        }
        if (cr == std::string_view::npos) {
            pending_ += receipt;
            if (pending_.size() > cap_) {
                skipping_ = true;
                skipped_ = pending_.size();
                pending_.clear();
                pending_.shrink_to_fit();
            }
            break;
        }
        pending_ += receipt.substr(0, cr + 1);
        receipt.remove_prefix(cr + 1);
        if (pending_.size() > cap_) {
            frames.push_back({Frame::Kind::Dropped, {}, pending_.size()});
        } else {
            const Frame::Kind kind = pending_[0] == SOH ? Frame::Kind::Poll : Frame::Kind::InterModule;
            frames.push_back({kind, std::move(pending_), 0});
        }
        pending_.clear();
    }
    return frames;
}

}  // namespace kx::feptool
