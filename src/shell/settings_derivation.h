#pragma once
#include <string>
#include <string_view>

#include "core/derived_values.h"
#include "core/settings.h"

namespace kx {

class Log;
struct AgentContext;

// [Server] Integrated upper-cased.
std::string IntegrationMode(const Settings& settings);
// TabFilePath followed by the file named after the integration mode.
std::string TableDefFileName(const std::string& tabFilePath, const std::string& integrationMode);
// InRange "hhmm-hhmm": characters 1-4 and 6-9 are the ends. All four ranges are
// taken only when InRange is exactly nine characters long.
RangeEnds RangeValues(const Settings::Reprocessing& reprocessing);
// CardLength - 6 zeros when CardLength is above 6, else empty.
std::string CardZeroPrefix(int cardLength);
// Items end at each ","; text after the last "," is not an item. Each stored
// item is written at detail level 0 as "SelectCtrl n =item".
SelectedControllerList BuildSelectedControllers(std::string_view text, const Log& log);

// Fills ctx.derived from ctx.settings: integration mode, table-definition file
// name, range ends, card-number zero prefix and, when SelectedControllersOnly
// is on, the selected controller list.
void DeriveSettingValues(AgentContext& ctx);

// The settings summary lines written after reading the settings.
void WriteSettingsSummary(const Settings& settings, const Log& log);

}  // namespace kx
