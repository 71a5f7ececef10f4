#pragma once

namespace kx {

// Texts the agent shows about itself.
inline constexpr const char* kAgentVersion = "1.1.4.7";
// The window caption and, once started, the application title.
inline constexpr const char* kAgentTitle = "Brisk Attendance Agent";
// The application title the program entry sets before the main window exists.
inline constexpr const char* kEntryApplicationTitle = "Kairox Attendance  Agent";

}  // namespace kx
