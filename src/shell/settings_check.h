#pragma once
#include <chrono>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "core/settings.h"

namespace kx {

class IniFile;

// kx-ata --check: reads Kairox.ini and the database as start-up does and
// reports what an administrator should know, writing nothing (no log line, no
// mailbox, no lock; the database sees selects only).

// What the check found, in the order printed; a warning makes the exit status 1.
class CheckReport {
public:
    void Heading(const std::string& text) { lines_.push_back(text); }
    void Note(const std::string& text) { lines_.push_back("  " + text); }
    void Warn(const std::string& text) {
        lines_.push_back("  warning: " + text);
        ++warnings_;
    }
    const std::vector<std::string>& Lines() const { return lines_; }
    int Warnings() const { return warnings_; }

private:
    std::vector<std::string> lines_;
    int warnings_ = 0;
};

// The settings file: the values that differ from the defaults, keys it does
// not know (with the nearest known one), keys given twice, and values
// malformed or out of range (with what the agent uses instead).
void CheckSettingsFile(const IniFile& ini, CheckReport& report);

// The time-of-day settings that schedule batches, and settings the timer rule
// leaves without effect.
void CheckSchedule(const Settings& settings, CheckReport& report);

// The database as start-up opens it: the alias as it resolves (password
// masked), the suite tables, the kt_sys overtime mode, and the M_Server rows
// (units that will never connect, controllers that do not answer a TCP
// connect within connectWait).
void CheckDatabase(const Settings& settings, const std::filesystem::path& home, CheckReport& report,
                   std::chrono::milliseconds connectWait = std::chrono::seconds(2));

// The whole check, printed to out. Answers 0 when nothing is wrong, 1 after a warning.
int RunSettingsCheck(const std::filesystem::path& home, bool serverMode, std::ostream& out);

// The known name nearest to `name` (case ignored) when it is near enough to be
// a slip of the keyboard; empty otherwise.
std::string NearestName(const std::string& name, const std::vector<std::string>& known);

}  // namespace kx
