#pragma once
#include <string>

namespace kx {

// Every key of Kairox.ini with its default, by section. Filled once at start-up
// by the settings reader; read-only afterwards except where noted.
struct Settings {
    // (filled in by the settings reader work)
};

}  // namespace kx
