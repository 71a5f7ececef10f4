#include "shell/settings_derivation.h"

#include <algorithm>

#include "core/agent_context.h"
#include "core/log.h"
#include "core/text.h"
#include "db/database_alias.h"

namespace kx {
namespace {

// A card number is six digits behind its prefix; a prefix longer than this
// comes only from a mistyped CardLength and is not worth the memory.
constexpr int kMaxCardZeroPrefix = 64;

void Split(const std::string& range, std::string& from, std::string& to) {
    from = Mid(range, 1, 4);
    to = Mid(range, 6, 4);
}

}  // namespace

std::string IntegrationMode(const Settings& settings) { return UpperCase(settings.server.Integrated); }

std::string TableDefFileName(const std::string& tabFilePath, const std::string& integrationMode) {
    if (integrationMode == "TESSEL") return tabFilePath + "Tessel.tab";
    if (integrationMode == "NIMBNET") return tabFilePath + "Nimbnet.tab";
    if (integrationMode == "NIMBLAN") return tabFilePath + "Nimblan3.tab";
    return tabFilePath + "Kairox.tab";
}

RangeEnds RangeValues(const Settings::Reprocessing& r) {
    RangeEnds ends;
    if (r.InRange.size() != 9) return ends;
    ends.taken = true;
    Split(r.InRange, ends.inFrom, ends.inTo);
    Split(r.OutRange, ends.outFrom, ends.outTo);
    Split(r.OTInRange, ends.otInFrom, ends.otInTo);
    Split(r.OTOutRange, ends.otOutFrom, ends.otOutTo);
    return ends;
}

std::string CardZeroPrefix(int cardLength) {
    if (cardLength <= 6) return {};
    return std::string(static_cast<std::size_t>(std::min(cardLength - 6, kMaxCardZeroPrefix)), '0');
}

SelectedControllerList BuildSelectedControllers(std::string_view text, const Log& log) {
    SelectedControllerList list;
    std::string item;
    for (const char c : text) {
        if (c != ',') {
            item.push_back(c);
            continue;
        }
        ++list.count;
        if (list.count <= SelectedControllerList::kMaxStored) {
            list.items.push_back(Trim(item));
            log.WriteDetail(kDetailImportant, "SelectCtrl " + std::to_string(list.count) + " =" + list.items.back());
        }
        item.clear();
    }
    return list;
}

void DeriveSettingValues(AgentContext& ctx) {
    const Settings& s = ctx.settings;
    DerivedValues& d = ctx.derived;
    if (s.options.SelectedControllersOnly)
        d.selectedControllers = BuildSelectedControllers(s.options.SelectedControllers, ctx.log);
    d.integrationMode = IntegrationMode(s);
    d.tableDefFile = TableDefFileName(s.server.TabFilePath, d.integrationMode);
    d.ranges = RangeValues(s.reprocessing);
    d.cardZeroPrefix = CardZeroPrefix(s.options.CardLength);
}

void WriteSettingsSummary(const Settings& s, const Log& log) {
    const auto& o = s.options;
    log.WriteDetail(kDetailSteps, std::string("Tavro.FILO =") + BoolText(s.tavro.FILO));
    log.WriteDetail(kDetailSteps, std::string("IgnoreInOut = ") + BoolText(o.IgnoreInOutCOde));
    log.WriteDetail(kDetailSteps, "");
    log.WriteDetail(kDetailSteps, std::string("AutoFit = ") + BoolText(o.AutoFit));
    log.WriteDetail(kDetailSteps, std::string("ShiftDataWindow = ") + BoolText(o.ShiftDataWindow));
    log.WriteDetail(kDetailSteps, "SatInOutTime = " + o.SatInOutTime);
    log.WriteDetail(kDetailSteps, "FriInOutTime = " + o.FriInOutTime);
    log.WriteDetail(kDetailSteps, "TranYearDigit = " + std::to_string(o.TranYearDigits));
    log.WriteDetail(kDetailSteps, std::string("ATServer = ") + BoolText(s.server.ATServer));
    log.WriteDetail(kDetailSteps, std::string("AutoProcess = ") + BoolText(o.AutoProcess));
    log.WriteDetail(kDetailImportant, std::string("fFlexbleWorkHour=") + BoolText(o.FlexibleWorkHour));
    log.WriteDetail(kDetailImportant,
                    "DbAlias = " + db::MaskedAlias(s.database.DBAlias) + ";   DBType = " + s.database.DBType);
}

}  // namespace kx
