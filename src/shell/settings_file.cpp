#include "shell/settings_file.h"

#include <climits>
#include <exception>

#include "core/agent_context.h"
#include "core/file_bytes.h"
#include "core/int_text.h"
#include "core/text.h"

namespace kx {
namespace {

void AppendUtf8(std::string& out, unsigned long cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// UTF-16LE (after its mark) to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() / 2);
    auto unit = [&](std::size_t i) {
        return static_cast<unsigned long>(static_cast<unsigned char>(bytes[i])) |
               static_cast<unsigned long>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        unsigned long cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

}  // namespace

IniFile IniFile::FromText(std::string_view text)
{
    std::string converted;
    if (text.starts_with("\xFF\xFE")) {
        converted = Utf16LeToUtf8(text.substr(2));
        text = converted;
    } else if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }

    IniFile ini;
    std::map<std::string, std::string>* section = nullptr;
    while (!text.empty()) {
        const auto end = text.find_first_of("\r\n");
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size()
                                                         : end + (text.substr(end, 2) == "\r\n" ? 2 : 1));

        const std::string trimmed = Trim(line);
        if (trimmed.starts_with('[')) {
            const auto close = trimmed.find(']');
            if (close != std::string::npos) section = &ini.sections_[LowerCase(Trim(trimmed.substr(1, close - 1)))];
            continue;
        }
        const auto eq = trimmed.find('=');
        if (!section || eq == std::string::npos) continue;
        const std::string key = LowerCase(Trim(std::string_view(trimmed).substr(0, eq)));
        if (key.empty()) continue;
        std::string value = Trim(std::string_view(trimmed).substr(eq + 1));
        if (const auto nul = value.find('\0'); nul != std::string::npos) value = Trim(value.substr(0, nul));
        section->emplace(key, std::move(value));  // keeps the first occurrence
    }
    return ini;
}

IniFile IniFile::Load(const std::filesystem::path& file)
{
    try {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(file, ec)) return {};
        return FromText(ReadFileBytes(file));
    } catch (const std::exception&) {
        return {};  // an unreadable file gives every default, without a word
    }
}

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const
{
    const auto s = sections_.find(LowerCase(section));
    if (s == sections_.end()) return std::nullopt;
    const auto k = s->second.find(LowerCase(key));
    if (k == s->second.end()) return std::nullopt;
    return k->second;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, const std::string& def) const
{
    return Value(section, key).value_or(def);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int def) const
{
    const auto text = Value(section, key);
    if (!text) return def;
    const auto n = ParseIntegerText(*text);
    if (!n || *n < INT_MIN || *n > INT_MAX) return def;
    return static_cast<int>(*n);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

Settings ReadSettings(const IniFile& ini)
{
    Settings s;  // its member initialisers are the defaults
    const auto text = [&](const char* section, const char* key, std::string& v) { v = ini.ReadString(section, key, v); };
    const auto integer = [&](const char* section, const char* key, int& v) { v = ini.ReadInteger(section, key, v); };
    const auto yesNo = [&](const char* section, const char* key, bool& v) { v = ini.ReadBool(section, key, v); };

    auto& d = s.database;
    text("Database", "DBAlias", d.DBAlias);
    text("Database", "DBType", d.DBType);
    d.DBType = UpperCase(d.DBType);
    integer("Database", "ReconnectSeconds", d.ReconnectSeconds);
    if (d.ReconnectSeconds < 0) d.ReconnectSeconds = Settings::Database{}.ReconnectSeconds;

    auto& sv = s.server;
    text("Server", "Path", sv.Path);
    yesNo("Server", "ATServer", sv.ATServer);
    yesNo("Server", "IgnoreKTPServer", sv.IgnoreKTPServer);
    text("Server", "Integrated", sv.Integrated);
    sv.Integrated = UpperCase(sv.Integrated);
    text("Server", "IPPort", sv.IPPort);
    text("Server", "TabFilePath", sv.TabFilePath);

    auto& o = s.options;
    const char* opt = "Options";
    integer(opt, "ATA_Details", o.ATA_Details);
    integer(opt, "TranYearDigits", o.TranYearDigits);
    integer(opt, "InWorkRangeOffsetMin", o.InWorkRangeOffsetMin);
    integer(opt, "OutWorkRangeOffsetMin", o.OutWorkRangeOffsetMin);
    yesNo(opt, "AutoProcess", o.AutoProcess);
    text(opt, "SatInOutTime", o.SatInOutTime);
    integer(opt, "SatOTOffsetMin", o.SatOTOffsetMin);
    yesNo(opt, "WorkHrExcOT", o.WorkHrExcOT);
    yesNo(opt, "AutoFit", o.AutoFit);
    integer(opt, "OTRoundingFactorMin", o.OTRoundingFactorMin);
    yesNo(opt, "FromClockIfExist", o.FromClockIfExist);
    text(opt, "FromClockJobCodes", o.FromClockJobCodes);
    yesNo(opt, "OffRestDayId", o.OffRestDayId);
    yesNo(opt, "ClearAttendPhantom", o.ClearAttendPhantom);
    yesNo(opt, "CheckStartExpiryDate", o.CheckStartExpiryDate);
    yesNo(opt, "International", o.International);
    text(opt, "InternationalFileName", o.InternationalFileName);
    text(opt, "FriInOutTime", o.FriInOutTime);
    text(opt, "FriLunchInOutTime", o.FriLunchInOutTime);
    yesNo(opt, "GovFTWRDay", o.GovFTWRDay);
    yesNo(opt, "IgnoreInOutCOde", o.IgnoreInOutCOde);
    yesNo(opt, "LateEarlyReason", o.LateEarlyReason);
    integer(opt, "SetOffDayTO", o.SetOffDayTO);
    yesNo(opt, "DoorAccess2Clock", o.DoorAccess2Clock);
    yesNo(opt, "SnapToInTime", o.SnapToInTime);
    yesNo(opt, "ClockDataUserOverride", o.ClockDataUserOverride);
    yesNo(opt, "ShiftDataWindow", o.ShiftDataWindow);
    yesNo(opt, "ExtendedIDNo", o.ExtendedIDNo);
    integer(opt, "ExtendedIDLength", o.ExtendedIDLength);
    yesNo(opt, "OTApprovalAdjust", o.OTApprovalAdjust);
    text(opt, "CutOffTime", o.CutOffTime);
    yesNo(opt, "SQLIDChecking", o.SQLIDChecking);
    yesNo(opt, "AttendEdit", o.AttendEdit);
    yesNo(opt, "EnforceClockMode", o.EnforceClockMode);
    yesNo(opt, "FlexibleMealHour", o.FlexibleMealHour);
    yesNo(opt, "FlexibleWorkHour", o.FlexibleWorkHour);
    yesNo(opt, "SnapToOTRange", o.SnapToOTRange);
    yesNo(opt, "EnforceLatenessCal", o.EnforceLatenessCal);
    integer(opt, "FlexMealInOffsetMin", o.FlexMealInOffsetMin);
    integer(opt, "FlexMealOutOffsetMin", o.FlexMealOutOffsetMin);
    integer(opt, "CardLength", o.CardLength);
    yesNo(opt, "UseSkin", o.UseSkin);
    integer(opt, "SkinNo", o.SkinNo);
    text(opt, "SkinFile", o.SkinFile);
    yesNo(opt, "LogReprocess", o.LogReprocess);
    yesNo(opt, "OTApproval", o.OTApproval);
    yesNo(opt, "SelectedControllersOnly", o.SelectedControllersOnly);
    text(opt, "SelectedControllers", o.SelectedControllers);

    yesNo("CustomReport", "GroupByDepartment", s.customReport.GroupByDepartment);
    integer("Shift/Leave", "ExtendedLeaveControl", s.shiftLeave.ExtendedLeaveControl);

    auto& r = s.reprocessing;
    const char* rep = "Reprocessing";
    yesNo(rep, "BasedOnStaffNumber", r.BasedOnStaffNumber);
    integer(rep, "ReprocessIntervalMin", r.ReprocessIntervalMin);
    text(rep, "DailyReprocessAtHHMM", r.DailyReprocessAtHHMM);
    text(rep, "DailyReprocess2AtHHMM", r.DailyReprocess2AtHHMM);
    text(rep, "DailyReprocess3AtHHMM", r.DailyReprocess3AtHHMM);
    text(rep, "DailyReprocess4AtHHMM", r.DailyReprocess4AtHHMM);
    text(rep, "DailyReprocess5AtHHMM", r.DailyReprocess5AtHHMM);
    text(rep, "DailyReprocess6AtHHMM", r.DailyReprocess6AtHHMM);
    text(rep, "PrevDayReprocessAtHHMM", r.PrevDayReprocessAtHHMM);
    yesNo(rep, "AllowNegativeOT", r.AllowNegativeOT);
    yesNo(rep, "Break1AsEarlyOT", r.Break1AsEarlyOT);
    yesNo(rep, "IgnoreSameMinClocking", r.IgnoreSameMinClocking);
    text(rep, "InRange", r.InRange);
    text(rep, "OutRange", r.OutRange);
    text(rep, "OTInRange", r.OTInRange);
    text(rep, "OTOutRange", r.OTOutRange);
    yesNo(rep, "PreOvertime", r.PreOvertime);
    yesNo(rep, "PreOTSplit", r.PreOTSplit);
    integer(rep, "GraceInMin", r.GraceInMin);
    integer(rep, "GraceOutMin", r.GraceOutMin);

    yesNo("Tavro", "FILO", s.tavro.FILO);
    yesNo("Tavro", "SetWorkOutIfNotEnoughOT", s.tavro.SetWorkOutIfNotEnoughOT);
    yesNo("Tavro", "FlexibleHourRestOffDay", s.tavro.FlexibleHourRestOffDay);

    yesNo("Tessel", "ClockReason", s.tessel.ClockReason);
    return s;
}

Settings ReadSettingsFile(const std::filesystem::path& file) { return ReadSettings(IniFile::Load(file)); }

void ApplyServerMode(Settings& settings, bool serverMode)
{
    if (serverMode) settings.server.ATServer = true;
}

void ReadSettingsFile(AgentContext& ctx)
{
    ctx.settings = ReadSettingsFile(ctx.home / "Kairox.ini");
    ctx.log.SetDetailThreshold(ctx.settings.options.ATA_Details);
    ctx.log.SetLogReprocess(ctx.settings.options.LogReprocess);
}

}  // namespace kx
