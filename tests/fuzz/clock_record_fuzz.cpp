// libFuzzer target for the pure part of FormatClockData: the length check,
// the normalisation, the classification and the fields of the on-line record,
// called as FormatClockData calls them, on any packet a controller may send.
// Nothing may crash or read out of bounds, and every answer keeps its layout.
//
//   cmake --build build-fuzz --target clock_record_fuzz
//   mkdir -p /tmp/clock_record-corpus && cp tests/fuzz/corpus/clock_record/* /tmp/clock_record-corpus/
//   build-fuzz/bin/clock_record_fuzz -dict=tests/fuzz/clock_record.dict -max_len=256 -timeout=5 \
//       -runs=10000000 /tmp/clock_record-corpus
//
// Input layout: byte 0 holds DoorAccess2Clock (bit 0) and the length of the
// card-number zero prefix (bits 1-3); the rest is the packet.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "comms/clock_record.h"
#include "core/job_display_table.h"
#include "fuzz_home.h"

namespace {

using kx::fuzz::Require;

bool OneOf(char c, std::string_view set) { return set.find(c) != std::string_view::npos; }
bool Digit(char c) { return c >= '0' && c <= '9'; }

const kx::JobDisplayTable& Jobs() {
    static const kx::JobDisplayTable table = [] {
        kx::JobDisplayTable t;
        for (int i = 1; i <= kx::JobDisplayTable::kSize; ++i) t.Set(i, "JOB" + std::to_string(i));
        return t;
    }();
    return table;
}

// The normalised record: the layout of 23 characters, or the packet itself.
void CheckNormalised(const std::string& packet, const std::string& record) {
    if (packet.size() >= 23 && OneOf(packet[22], "<>BE")) {
        Require(record.size() == 23);
        Require(record.compare(0, 19, packet, 0, 19) == 0);
        Require(record[19] == packet[22] && record.compare(20, 3, packet, 19, 3) == 0);
    } else if (packet.size() == 22) {
        Require(record.compare(0, 22, packet) == 0);
        const std::string added = record.substr(22);
        if (packet[0] != 'O')
            Require(added == "0");
        else if (Digit(packet[20]) && Digit(packet[21]))
            Require(added == std::to_string(std::stoi(packet.substr(20, 2))));
        Require(!added.empty() && added.size() <= 2);
    } else {
        Require(record == packet);
    }
}

void CheckKind(const std::string& record, bool door, const kx::ClockRecordKind& kind) {
    const char first = record[0];
    const char direction = record.size() >= 20 ? record[19] : '\0';
    if (!OneOf(first, "COR")) {
        Require(kind.bad);
        return;
    }
    if (door) {
        // Door access: "000" and the direction at 23; anything else shows no activity.
        const bool zeros = record.compare(19, 3, "000") == 0;
        const int expected = !zeros ? 0 : OneOf(record[22], "0<") ? 1 : OneOf(record[22], "9>") ? 2 : 0;
        Require(!kind.bad && kind.jobDisplayIndex == expected);
        return;
    }
    const bool in = direction == '0' || direction == '<';
    const bool out = direction == '9' || direction == '>';
    Require(kind.bad == (!in && !out));
    if (kind.bad) return;
    Require(kind.jobDisplayIndex >= 0 && kind.jobDisplayIndex <= kx::JobDisplayTable::kSize);
    if (kind.jobDisplayIndex != 0) Require((kind.jobDisplayIndex % 2 == 1) == in);
    const std::string job = record.substr(20, 3);
    const bool known = job.size() == 3 && job[0] == '0' && job[1] == '0' && job[2] >= '0' && job[2] <= '8';
    Require((kind.jobDisplayIndex != 0) == known);
}

void CheckFields(const std::string& record, const std::string& prefix, const kx::OnLineFields& f) {
    Require(f.date.size() == 10 && f.date[2] == '/' && f.date[5] == '/');
    Require(f.date.compare(0, 2, record, 7, 2) == 0 && f.date.compare(3, 2, record, 5, 2) == 0);
    Require(f.date.compare(8, 2, record, 3, 2) == 0);
    Require(f.date.compare(6, 2, record.substr(3, 2) < "90" ? "20" : "19") == 0);
    Require(f.time.size() == 5 && f.time[2] == ':');
    Require(f.source.size() == 3 && f.source[0] == (record[0] == 'O' ? 'C' : record[0]));
    Require(f.card == prefix + record.substr(13, 6));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const bool door = data[0] & 1;
    const std::string prefix((data[0] >> 1) & 7, '0');
    const std::string packet(reinterpret_cast<const char*>(data + 1), size - 1);

    // FormatClockData rejects a packet of fewer than 22 characters before anything else.
    if (packet.size() < 22) return 0;
    std::string record;
    try {
        record = kx::NormaliseClockRecord(packet);
    } catch (const std::invalid_argument&) {
        // Logged by FormatClockData; only an on-line packet of 22 without a job number fails.
        Require(packet.size() == 22 && packet[0] == 'O' && !(Digit(packet[20]) && Digit(packet[21])));
        return 0;
    }
    CheckNormalised(packet, record);
    Require(record.size() >= 23);

    const kx::ClockRecordKind kind = kx::ClassifyClockRecord(record, door);
    CheckKind(record, door, kind);
    const bool quiet = kx::QuietlyRejected(record);
    Require(quiet == (record[0] == 'M' || OneOf(record[19], "!$%18@D")));
    if (kind.bad) return 0;

    kx::OnLineFields fields = kx::ClockRecordFields(record, prefix);
    CheckFields(record, prefix, fields);
    fields.name = "Unknown";
    fields.activity = Jobs()[kind.jobDisplayIndex];
    fields.department = "Unknown";
    const std::string online = kx::OnLineRecordText(fields);
    Require(online.starts_with("09Unknown," + fields.date + "," + fields.time + ","));
    Require(online.ends_with("," + fields.source + "," + fields.card + ",,"));
    return 0;
}
