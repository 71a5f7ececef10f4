#include "shell/headless_mode.h"

#include <cstdlib>

namespace kx {
namespace {

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

}  // namespace

bool DisplayAvailable() { return Set("DISPLAY") || Set("WAYLAND_DISPLAY"); }

bool ChooseHeadless(bool requested) { return requested || !DisplayAvailable(); }

void UseOffscreenPlatform() { setenv("QT_QPA_PLATFORM", "offscreen", 1); }

}  // namespace kx
