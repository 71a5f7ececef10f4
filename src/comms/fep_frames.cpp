#include "comms/fep_frames.h"

#include <algorithm>

namespace kx {

std::string PollMessage() { return {SOH, CR}; }

std::string InterModFrame(std::string_view text) {
    std::string frame(1, SI);
    frame.append(12, ' ');
    frame += ESC;
    frame += text;
    frame += CR;
    return frame;
}

bool ReplyComplete(std::string_view received) { return received.find(CR) != std::string_view::npos; }

FepReply ReadFepReply(std::string_view reply) {
    FepReply result;
    if (reply.size() < 2 || reply[0] == '\0' || reply[1] == CR) return result;
    const std::string_view body = reply.substr(1);
    const std::string_view packet = body.substr(0, std::min(body.find(CR), kMaxPacketLength));
    result.packet = std::string(packet);
    result.secondWindow = reply[0] == NAK && reply[1] != 'M';
    return result;
}

}  // namespace kx
