#pragma once
#include <string>
#include <string_view>

namespace kx {

// What the lower layers need from the agent's shell: the status window, the
// event loop and the control mailbox. The shell implements it; tests and tools
// use the quiet default.
class AgentHost {
public:
    virtual ~AgentHost() = default;
    // 0 ready, 1..100 a percentage, 999 busy without a measurable progress.
    virtual void SetGradBar(int /*value*/) {}
    virtual void MemoAdd(std::string_view /*text*/) {}
    // Lets the event loop dispatch pending events once (long batches call it between staff-days).
    virtual void ProcessEvents() {}
    virtual std::string ApplicationTitle() const { return title_; }
    virtual void SetApplicationTitle(std::string title) { title_ = std::move(title); }
    // Writes a reply into the control mailbox.
    virtual void SendMFThis(std::string_view /*text*/) {}
    // Shows the normal application icon (the ready state).
    virtual void ShowNormalIcon() {}

private:
    std::string title_;
};

}  // namespace kx
