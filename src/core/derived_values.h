#pragma once
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace kx {

// Database login held in the table-definition file; "NULL" means not available.
struct TableDefLogin {
    std::string user = "NULL";
    std::string password = "NULL";
    bool operator==(const TableDefLogin&) const = default;
};

// The fixed selection ranges of [Reprocessing], each end "hhmm" or empty.
// Taken only when InRange is exactly nine characters; then all four are split.
struct RangeEnds {
    bool taken = false;
    std::string inFrom, inTo;        // InRange
    std::string outFrom, outTo;      // OutRange
    std::string otInFrom, otInTo;    // OTInRange
    std::string otOutFrom, otOutTo;  // OTOutRange
    bool operator==(const RangeEnds&) const = default;
};

// [Options] SelectedControllers split at its commas.
struct SelectedControllerList {
    static constexpr int kMaxStored = 99;
    std::vector<std::string> items;  // the first kMaxStored items, in order
    int count = 0;                   // items found, also those not stored

    bool Contains(std::string_view controller) const {
        return std::find(items.begin(), items.end(), controller) != items.end();
    }
};

// Values worked out at start-up from the settings and the database, kept for
// the life of the process.
struct DerivedValues {
    std::string integrationMode;  // [Server] Integrated upper-cased: "TESSEL", "NIMBNET", "NIMBLAN" or ""
    std::string tableDefFile;     // TabFilePath + "Tessel.tab" / "Nimbnet.tab" / "Nimblan3.tab" / "Kairox.tab"
    TableDefLogin login;
    RangeEnds ranges;
    std::string cardZeroPrefix;  // CardLength - 6 zeros when CardLength is above 6
    SelectedControllerList selectedControllers;

    // Start-up values of kt_sys (their initial values hold when it has no row).
    std::string breakPattern = "________";
    std::string offDayList = "17";
    bool offDaysDisabled = false;
    std::string startupDataSource = "T";

    // From kt_ini group "Attend".
    bool ignoreLEIfWorkOK = false;  // IgnoreLEIfWorkOK upper-cased is "1"
    std::string lastAAPDate;        // LastAAPDate, default today "yyyymmdd"
};

// Process-wide flags; all start cleared.
struct AgentFlags {
    bool stop = false;               // Stop button; batches test it
    bool closing = false;            // the main window may close; the mailbox timer stops re-arming
    bool rangeBusy = false;          // a range reprocessing runs
    bool endReceived = false;        // the mailbox said "END"
    int lastSeenMinute = 0;          // interval reprocessing
    int intervalCounter = 0;         // interval reprocessing
    long long staffDayFailures = 0;  // staff-days ended by a logged failure, for the batches' summaries
};

}  // namespace kx
