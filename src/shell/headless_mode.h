#pragma once

namespace kx {

// True when the environment names an X11 or Wayland display.
bool DisplayAvailable();
// Headless when asked for, or when there is no display to show a window on.
bool ChooseHeadless(bool requested);
// Selects Qt's offscreen platform; must run before the application object exists.
void UseOffscreenPlatform();

}  // namespace kx
