#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace kx {

// Control bytes of the frames on a FEP connection.
inline constexpr char SOH = 1;   // poll message
inline constexpr char ACK = 6;   // positive reply
inline constexpr char CR = 13;   // ends the poll message, the inter-module message and every reply
inline constexpr char SI = 15;   // starts an inter-module message
inline constexpr char NAK = 21;  // negative reply
inline constexpr char ESC = 27;  // marks the body of an inter-module message

inline constexpr std::size_t kMaxPacketLength = 100;

// The inter-module message by which FEP 1, the message server, learns that a
// clocking's day has been processed.
inline constexpr const char* kRefreshMessage = "RFA";

// SOH CR: sent by a poll task when nothing is queued for its FEP.
std::string PollMessage();
// SI, 12 blanks, ESC, text, CR.
std::string InterModFrame(std::string_view text);

// A reply is complete once the text received holds a CR.
bool ReplyComplete(std::string_view received);

// What one reply of a FEP carries: ACK or NAK (any other first byte counts as
// ACK), the packet text, CR.
struct FepReply {
    std::optional<std::string> packet;  // bytes 2 up to the first CR, at most 100
    bool secondWindow = false;          // a NAK with a packet other than "M..." gives the last command another wait
};
FepReply ReadFepReply(std::string_view reply);

}  // namespace kx
