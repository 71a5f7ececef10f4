#pragma once
#include <string>

#include "core/agent_context.h"

namespace kx {

// The staff member behind a clocked card, as the on-line record shows it.
struct NameDep {
    std::string name;        // "Unknown" when none
    std::string department;  // description, else the code, else "Unknown"
    std::string staff;       // empty when the card is not in cards
    std::string otEntitled = "N";
    std::string onShift = "N";
    std::string photo;
};

// Looks the card up in cards; a temporary card ("T") stands for the holder named
// by its tempcard row that is valid now. A failure is logged as "<GetNameDep>"
// and the values found so far are returned.
NameDep GetNameDep(AgentContext& ctx, const std::string& card);

// The tempcard validity stamp: "yyyymmddhhnnss".
std::string TempCardStamp(LocalTime now);

}  // namespace kx
