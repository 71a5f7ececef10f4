#include "shell/settings_check.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include "core/file_bytes.h"
#include "core/int_text.h"
#include "core/text.h"
#include "db/database.h"
#include "db/database_alias.h"
#include "shell/settings_derivation.h"
#include "shell/settings_file.h"
#include "shell/settings_keys.h"
#include "shell/table_def_login.h"

namespace kx {
namespace {

// The tables of the suite the agent reads or writes.
constexpr const char* kSuiteTables[] = {
    "cards",   "tempcard",     "department", "Extended_Card_Info", "clock_reasons", "holdate",  "M_Server", "trans_r",
    "trans_c", "kt_sys",       "kt_formu",   "kt_shift",           "kt_sfgrp",      "kt_ssche", "kt_cdext", "kt_afchi",
    "kt_acti", "kt_leavetype", "kt_leave",   "kt_timeoff",         "kt_atdedit",    "kt_tmclk", "kt_ini",   "kt_attnd",
    "otsap",   "kt_lerea",
};

std::string Shown(const SettingKey& key) { return std::string("[") + key.section + "] " + key.key; }

std::size_t Distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

bool IsTime(const std::string& t) {
    return t.size() == 4 && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
           std::stoi(t.substr(0, 2)) < 24 && std::stoi(t.substr(2)) < 60;
}

bool IsTimeRange(const std::string& t) {
    return t.size() == 9 && t[4] == '-' && IsTime(t.substr(0, 4)) && IsTime(t.substr(5));
}

using Rule = std::function<std::optional<std::string>(const std::string& value)>;

Rule Between(long long low, long long high, std::string otherwise) {
    return [=](const std::string& value) -> std::optional<std::string> {
        const auto n = ParseIntegerText(value);
        if (n && *n >= low && *n <= high) return std::nullopt;
        return "outside " + std::to_string(low) + " to " + std::to_string(high) + otherwise;
    };
}

Rule TimeOfDay(std::string otherwise) {
    return [=](const std::string& value) -> std::optional<std::string> {
        if (IsTime(value)) return std::nullopt;
        return "not a time of day hhmm" + otherwise;
    };
}

Rule TimeRange(std::string otherwise) {
    return [=](const std::string& value) -> std::optional<std::string> {
        if (IsTimeRange(value)) return std::nullopt;
        return "not a range hhmm-hhmm" + otherwise;
    };
}

const Rule kMinutes = Between(0, 1440, ": used as it is");

// Values the agent takes but that cannot mean what was written; an empty value
// is never checked (it stands for "not set").
const std::map<std::string, Rule>& ValueRules() {
    static const std::map<std::string, Rule> rules{
        {"options/tranyeardigits",
         [](const std::string& v) -> std::optional<std::string> {
             if (v == "4" || v == "2") return std::nullopt;
             return std::string("neither 4 nor 2: transaction dates are read with two-digit years");
         }},
        {"options/inworkrangeoffsetmin", kMinutes},
        {"options/outworkrangeoffsetmin", kMinutes},
        {"options/satotoffsetmin", kMinutes},
        {"options/otroundingfactormin", kMinutes},
        {"options/flexmealinoffsetmin", kMinutes},
        {"options/flexmealoutoffsetmin", kMinutes},
        {"reprocessing/reprocessintervalmin", kMinutes},
        {"reprocessing/graceinmin", kMinutes},
        {"reprocessing/graceoutmin", kMinutes},
        {"options/setoffdayto", Between(0, 6, ": no monthly off-day weekday matches")},
        {"options/skinno", Between(1, 9, ": a random skin 1 to 9 is used when UseSkin is on")},
        {"options/cardlength", Between(1, 64, ": used as it is")},
        {"options/extendedidlength", Between(1, 64, ": used as it is")},
        {"shift/leave/extendedleavecontrol", Between(0, 1, ": only 1 switches extended leave handling on")},
        {"database/reconnectseconds",
         [](const std::string& v) -> std::optional<std::string> {
             if (*ParseIntegerText(v) >= 0) return std::nullopt;  // well-formed: checked before the rules
             return "negative: the default " + std::to_string(Settings::Database{}.ReconnectSeconds) + " is used";
         }},
        {"options/cutofftime", TimeOfDay(": used as it is")},
        {"reprocessing/dailyreprocessathhmm", TimeOfDay(": the daily run never falls due")},
        {"reprocessing/dailyreprocess2athhmm", TimeOfDay(": this daily run never falls due")},
        {"reprocessing/dailyreprocess3athhmm", TimeOfDay(": this daily run never falls due")},
        {"reprocessing/dailyreprocess4athhmm", TimeOfDay(": this daily run never falls due")},
        {"reprocessing/dailyreprocess5athhmm", TimeOfDay(": this daily run never falls due")},
        {"reprocessing/dailyreprocess6athhmm", TimeOfDay(": this daily run never falls due")},
        {"reprocessing/prevdayreprocessathhmm", TimeOfDay(": the previous day's run never falls due")},
        {"options/satinouttime", TimeRange(": characters 1-4 and 6-9 are used as they are")},
        {"options/friinouttime", TimeRange(": characters 1-4 and 6-9 are used as they are")},
        {"options/frilunchinouttime", TimeRange(": characters 1-4 and 6-9 are used as they are")},
        {"reprocessing/inrange", TimeRange(": unless it is 9 characters long none of the four ranges is used")},
        {"reprocessing/outrange", TimeRange(": characters 1-4 and 6-9 are used as they are")},
        {"reprocessing/otinrange", TimeRange(": characters 1-4 and 6-9 are used as they are")},
        {"reprocessing/otoutrange", TimeRange(": characters 1-4 and 6-9 are used as they are")},
        {"options/fromclockjobcodes",
         [](const std::string& v) -> std::optional<std::string> {
             if (v.size() == 15 && v[3] == '-' && v[7] == '-' && v[11] == '-') return std::nullopt;
             return std::string(
                 "not four three-character job codes ccc-ccc-ccc-ccc: characters 1-3, 5-7, 9-11 "
                 "and 13-15 are used as they are");
         }},
        {"server/integrated",
         [](const std::string& v) -> std::optional<std::string> {
             const std::string mode = UpperCase(v);
             if (mode == "TESSEL" || mode == "NIMBNET" || mode == "NIMBLAN") return std::nullopt;
             return std::string(
                 "not TESSEL, NIMBNET or NIMBLAN: the mode-specific rules match none, and the "
                 "table-definition file is Kairox.tab");
         }},
        {"server/ipport",
         [](const std::string& v) -> std::optional<std::string> {
             const auto n = ParseIntegerText(v);
             if (n ? *n >= 1 && *n <= 65535 : getservbyname(v.c_str(), "tcp") != nullptr) return std::nullopt;
             return std::string(
                 "neither a port 1 to 65535 nor a TCP service name: the message server cannot be "
                 "reached");
         }},
    };
    return rules;
}

std::string RuleName(const std::string& section, const std::string& key) { return LowerCase(section + "/" + key); }

void CheckValue(const SettingKey& key, const IniFile::Entry& entry, const Settings& defaults, CheckReport& report) {
    const std::string where = "Kairox.ini:" + std::to_string(entry.line) + ": " + Shown(key) + "=" + entry.value;
    if (entry.value.empty()) return;
    if (key.kind != SettingKey::Kind::Text) {
        const auto n = ParseIntegerText(entry.value);
        if (!n || *n < INT32_MIN || *n > INT32_MAX) {
            report.Warn(where + " is not " +
                        (key.kind == SettingKey::Kind::YesNo ? "a number (0 is no, any other yes)" : "a whole number") +
                        ": the default " + key.ValueText(defaults) + " is used");
            return;
        }
    }
    const auto rule = ValueRules().find(RuleName(key.section, key.key));
    if (rule == ValueRules().end()) return;
    if (const auto problem = rule->second(entry.value)) report.Warn(where + " is " + *problem);
}

// A key in no known section, or not in its own: the nearest known spelling, in
// its section or in any.
void ReportUnknownKey(const IniFile::Entry& entry, CheckReport& report) {
    std::vector<std::string> inSection;
    std::set<std::string> sections;
    for (const SettingKey& key : SettingKeys()) {
        sections.insert(key.section);
        if (LowerCase(key.section) == LowerCase(entry.section)) inSection.push_back(key.key);
    }
    const std::string where = "Kairox.ini:" + std::to_string(entry.line) + ": [" + entry.section + "] " + entry.key;
    const std::string nearest = NearestName(entry.key, inSection);
    if (!nearest.empty()) {
        report.Warn(where + " is not a known key and is ignored; did you mean " + nearest + "?");
        return;
    }
    for (const SettingKey& key : SettingKeys()) {
        if (LowerCase(key.key) == LowerCase(entry.key)) {
            report.Warn(where + " is in the wrong section and is ignored; did you mean [" + key.section + "] " +
                        key.key + "?");
            return;
        }
    }
    if (!inSection.empty()) {
        report.Warn(where + " is not a known key and is ignored");
        return;
    }
    const std::string nearestSection =
        NearestName(entry.section, std::vector<std::string>(sections.begin(), sections.end()));
    report.Warn(where + " is in no known section and is ignored" +
                (nearestSection.empty() ? std::string() : "; did you mean [" + nearestSection + "]?"));
}

// ---- the database ----

std::string MaskedLogin(const db::Login& login) {
    return "user \"" + login.user + "\", password " + (login.password.empty() ? "empty" : "***");
}

// Empty when a TCP connection to host:port came up within the wait; the reason otherwise.
std::string ProbeTcp(const std::string& host, const std::string& port, std::chrono::milliseconds wait) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int rc = getaddrinfo(host.c_str(), port.c_str(), &hints, &found); rc != 0 || !found)
        return std::string("cannot resolve: ") + gai_strerror(rc);
    const sockaddr_in address = *reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    freeaddrinfo(found);
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::strerror(errno);
    std::string reason;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS) {
            reason = std::strerror(errno);
        } else {
            pollfd p{fd, POLLOUT, 0};
            const int ready = poll(&p, 1, static_cast<int>(wait.count()));
            int error = 0;
            socklen_t length = sizeof error;
            if (ready == 0)
                reason = "no answer within " + std::to_string(wait.count() / 1000.0).substr(0, 3) + " s";
            else if (ready < 0 || getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                reason = std::strerror(errno);
            else if (error != 0)
                reason = std::strerror(error);
        }
    }
    close(fd);
    return reason;
}

std::optional<db::Login> TableDefinitionLogin(const Settings& settings, const std::filesystem::path& home,
                                              CheckReport& report) {
    if (!settings.options.SQLIDChecking) return std::nullopt;
    const std::string name = TableDefFileName(settings.server.TabFilePath, settings.server.Integrated);
    const std::filesystem::path file = home / name;
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        report.Warn("SQLIDChecking is on but the table-definition file " + file.string() +
                    " is missing: the database is opened without its login");
        return std::nullopt;
    }
    try {
        const std::string head = ReadFileBytes(file, kTableDefHeadSize);
        if (head.size() < kTableDefHeadSize) {
            report.Warn("the table-definition file " + file.string() + " is shorter than " +
                        std::to_string(kTableDefHeadSize) + " bytes: the database is opened without its login");
            return std::nullopt;
        }
        const TableDefLogin found = DecodeTableDefLogin(head);
        if (found.user == "NULL") return std::nullopt;
        db::Login login{found.user, found.password == "NULL" ? std::string() : found.password};
        report.Note("login from " + file.string() + ": " + MaskedLogin(login));
        return login;
    } catch (const std::exception& e) {
        report.Warn("the table-definition file " + file.string() + " cannot be read: " + e.what());
        return std::nullopt;
    }
}

void CheckSuiteTables(db::Database& database, CheckReport& report) {
    std::vector<std::string> missing;
    for (const char* table : kSuiteTables) {
        try {
            database.CommonQuery.SetSQL(std::string("select * from ") + table + " where 1=0");
            database.CommonQuery.Open();
            database.CommonQuery.Close();
        } catch (const std::exception&) {
            missing.emplace_back(table);
        }
    }
    if (missing.empty()) {
        report.Note("suite tables: all " + std::to_string(std::size(kSuiteTables)) + " there");
        return;
    }
    std::string names;
    for (const std::string& table : missing) names += (names.empty() ? "" : ", ") + table;
    report.Warn("suite tables missing: " + names + " (make them with kx-db create)");
}

void CheckOvertimeMode(db::Database& database, CheckReport& report) {
    std::string mode;
    try {
        database.CommonQuery.SetSQL("select OT_Mode from kt_sys");
        database.CommonQuery.Open();
        if (!database.CommonQuery.Eof()) mode = database.CommonQuery.FieldByName("OT_Mode");
        const bool noRow = database.CommonQuery.Eof();
        database.CommonQuery.Close();
        if (noRow) {
            report.Warn("kt_sys has no row: overtime mode N, which counts the whole clocked day as overtime");
            return;
        }
    } catch (const std::exception& e) {
        report.Warn(std::string("kt_sys cannot be read: ") + e.what());
        return;
    }
    const std::string trimmed = Trim(mode);
    const char first = trimmed.empty() ? '\0' : trimmed[0];
    const char* letter = first == '1' ? "A" : first == '2' ? "C" : first == '3' ? "E" : "N";
    const std::string shown = "kt_sys OT_Mode \"" + mode + "\": overtime mode " + letter;
    if (std::string(letter) == "N")
        report.Warn(shown + ", which counts the whole clocked day as overtime (1, 2 or 3 choose modes A, C and E)");
    else
        report.Note(shown);
}

void CheckControllers(db::Database& database, const Settings& settings, CheckReport& report,
                      std::chrono::milliseconds wait) {
    struct Row {
        std::string unit, address, port, tag;
    };
    std::vector<Row> rows;
    try {
        database.CommonQuery.SetSQL("Select * from M_Server");
        database.CommonQuery.Open();
        for (; !database.CommonQuery.Eof(); database.CommonQuery.Next()) {
            const db::Query& q = database.CommonQuery;
            rows.push_back({Trim(q.FieldByName("unit_no")), Trim(q.FieldByName("IP_Address")),
                            Trim(q.FieldByName("Port")), Trim(q.FieldByName("Tag_Name"))});
        }
        database.CommonQuery.Close();
    } catch (const std::exception& e) {
        report.Warn(std::string("M_Server cannot be read: ") + e.what());
        return;
    }
    if (rows.empty()) report.Note("M_Server has no rows: no controller is polled");
    // A later row of a unit replaces an earlier one, as when the agent loads them.
    std::map<int, Row> units;
    for (const Row& row : rows) {
        const auto unit = ParseIntegerText(row.unit);
        const std::string shown =
            "M_Server unit " + row.unit + " (" + row.address + ":" + row.port + " " + row.tag + ")";
        if (!unit || *unit < 1 || *unit > 8) {
            report.Warn(shown + " will never connect: only units 1 to 8 are connected");
            continue;
        }
        units[static_cast<int>(*unit)] = row;
    }
    for (auto& [unit, row] : units) {
        if (unit == 1 && settings.server.IPPort != "4000") row.port = settings.server.IPPort;
        const std::string shown = "FEP #" + std::to_string(unit) + " " + row.address + ":" + row.port +
                                  (row.tag.empty() ? "" : " " + row.tag);
        if (row.address.empty()) {
            report.Warn(shown + " will never connect: its IP_Address is empty");
            continue;
        }
        if (const std::string reason = ProbeTcp(row.address, row.port, wait); !reason.empty())
            report.Warn(shown + " does not answer a TCP connect: " + reason);
        else
            report.Note(shown + " answers");
    }
}

}  // namespace

std::string NearestName(const std::string& name, const std::vector<std::string>& known) {
    std::string best;
    std::size_t bestDistance = std::string::npos;
    for (const std::string& candidate : known) {
        const std::size_t d = Distance(LowerCase(name), LowerCase(candidate));
        if (d < bestDistance) {
            bestDistance = d;
            best = candidate;
        }
    }
    const std::size_t allowed = std::max<std::size_t>(2, name.size() / 4);
    return bestDistance <= allowed ? best : std::string();
}

void CheckSettingsFile(const IniFile& ini, CheckReport& report) {
    const Settings defaults;
    const Settings read = ReadSettings(ini);
    report.Heading("Settings that differ from their defaults:");
    int differing = 0;
    for (const SettingKey& key : SettingKeys()) {
        std::string value = key.ValueText(read);
        if (value == key.ValueText(defaults)) continue;
        if (std::string(key.key) == "DBAlias") value = db::MaskedAlias(value);
        report.Note(Shown(key) + " = " + value + " (default " +
                    (key.ValueText(defaults).empty() ? std::string("empty") : key.ValueText(defaults)) + ")");
        ++differing;
    }
    if (differing == 0) report.Note("none");

    report.Heading("Keys and values:");
    const int before = report.Warnings();
    std::map<std::string, int> firstLine;
    for (const IniFile::Entry& entry : ini.Entries()) {
        // The reader takes "; Key=Value" as a key nobody asks for: a commented-out setting, as the example file has.
        if (entry.key.starts_with(';') || entry.key.starts_with('#')) continue;
        const auto known = std::find_if(SettingKeys().begin(), SettingKeys().end(), [&](const SettingKey& key) {
            return LowerCase(key.section) == LowerCase(entry.section) && LowerCase(key.key) == LowerCase(entry.key);
        });
        if (known == SettingKeys().end()) {
            ReportUnknownKey(entry, report);
            continue;
        }
        const auto [first, isFirst] = firstLine.emplace(RuleName(entry.section, entry.key), entry.line);
        if (!isFirst) {
            report.Warn("Kairox.ini:" + std::to_string(entry.line) + ": " + Shown(*known) +
                        " is given again and ignored: the first one, on line " + std::to_string(first->second) +
                        ", counts");
            continue;
        }
        CheckValue(*known, entry, defaults, report);
    }
    if (report.Warnings() == before) report.Note("every key known, every value well-formed");
}

void CheckSchedule(const Settings& settings, CheckReport& report) {
    const auto& r = settings.reprocessing;
    report.Heading("Scheduled batches:");
    const std::pair<const char*, const std::string*> times[] = {
        {"DailyReprocessAtHHMM", &r.DailyReprocessAtHHMM},     {"DailyReprocess2AtHHMM", &r.DailyReprocess2AtHHMM},
        {"DailyReprocess3AtHHMM", &r.DailyReprocess3AtHHMM},   {"DailyReprocess4AtHHMM", &r.DailyReprocess4AtHHMM},
        {"DailyReprocess5AtHHMM", &r.DailyReprocess5AtHHMM},   {"DailyReprocess6AtHHMM", &r.DailyReprocess6AtHHMM},
        {"PrevDayReprocessAtHHMM", &r.PrevDayReprocessAtHHMM},
    };
    const bool armed = !r.DailyReprocessAtHHMM.empty();
    for (const auto& [name, value] : times) {
        if (value->empty()) continue;
        const std::string line = std::string("[Reprocessing] ") + name + " = " + *value;
        if (!armed)
            report.Warn(line + " has no effect: the interval timer runs only when DailyReprocessAtHHMM is set");
        else
            report.Note(line + (std::string(name) == "PrevDayReprocessAtHHMM" ? ": the previous day, daily"
                                                                              : ": every staff member, daily"));
    }
    if (r.ReprocessIntervalMin > 0) {
        const std::string line = "[Reprocessing] ReprocessIntervalMin = " + std::to_string(r.ReprocessIntervalMin);
        if (armed)
            report.Note(line + ": staff with new clockings every " + std::to_string(r.ReprocessIntervalMin) + " min");
        else
            report.Warn(line + " has no effect: the interval timer runs only when DailyReprocessAtHHMM is set");
    }
    if (settings.options.AutoProcess) {
        if (armed)
            report.Warn("[Options] AutoProcess = 1 has no effect while DailyReprocessAtHHMM is set");
        else
            report.Note("[Options] AutoProcess = 1: the days not yet processed, 10 s after start");
    }
    if (!armed && !settings.options.AutoProcess && r.ReprocessIntervalMin <= 0)
        report.Note("none: only range requests from the front end reprocess");
}

void CheckDatabase(const Settings& settings, const std::filesystem::path& home, CheckReport& report,
                   std::chrono::milliseconds connectWait) {
    report.Heading("Database:");
    const std::string& alias = settings.database.DBAlias;
    const db::DatabaseTarget target = db::ResolveAlias(alias, home);
    report.Note("DBAlias " + db::MaskedAlias(alias) + " resolves to " +
                (target.postgres ? "the PostgreSQL URI " + db::MaskedAlias(target.uri)
                                 : "the SQLite file " + target.file.string()) +
                "; DBType " + settings.database.DBType);
    const db::Login login = TableDefinitionLogin(settings, home, report).value_or(db::Login{});
    std::unique_ptr<db::Database> database;
    try {
        if (!target.postgres && !std::filesystem::exists(target.file)) {
            report.Warn("the SQLite file " + target.file.string() + " does not exist (make it with kx-db create)");
            return;
        }
        if (!target.postgres && !db::IsSqliteDatabaseFile(target.file)) {
            report.Warn("not an SQLite database: " + target.file.string());
            return;
        }
        database = db::Database::Open(alias, home, login);
    } catch (const std::exception& e) {
        report.Warn(std::string("the database cannot be opened: ") + e.what());
        return;
    }
    CheckSuiteTables(*database, report);
    CheckOvertimeMode(*database, report);
    report.Heading("Controllers:");
    CheckControllers(*database, settings, report, connectWait);
}

int RunSettingsCheck(const std::filesystem::path& home, bool serverMode, std::ostream& out) {
    const std::filesystem::path file = home / "Kairox.ini";
    std::error_code ec;
    out << "kx-ata --check: " << file.string()
        << (std::filesystem::is_regular_file(file, ec) ? "" : " (missing: every setting takes its default)") << "\n";
    const IniFile ini = IniFile::Load(file);
    Settings settings = ReadSettings(ini);
    ApplyServerMode(settings, serverMode);

    CheckReport report;
    CheckSettingsFile(ini, report);
    if (serverMode) report.Note("--server: [Server] ATServer is forced on");
    CheckSchedule(settings, report);
    CheckDatabase(settings, home, report);
    for (const std::string& line : report.Lines()) out << line << "\n";
    out << (report.Warnings() == 0 ? std::string("No warnings.") : std::to_string(report.Warnings()) + " warning(s).")
        << "\n";
    return report.Warnings() == 0 ? 0 : 1;
}

}  // namespace kx
