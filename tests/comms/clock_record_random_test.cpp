// Random clocking records in each layout a controller sends, and mutated and
// raw packets, through the normalisation, the classification and the fields
// of the on-line record as FormatClockData calls them. A record built from
// known parts must give those parts back; any packet must keep the layout.
// 20,000 packets by default; KX_FUZZ_LONG=1 runs two million, KX_FUZZ_SEED
// picks another seed.
#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "comms/clock_record.h"
#include "support/random_text.h"

namespace kx {
namespace {

const std::vector<std::string> kWords = {"O", "C", "R", "M", "X", "000", "008", "009", "<",  ">",  "B",
                                         "E", "0", "9", "!", "@", "D",   "89",  "90",  "+5", "-5", "  "};

std::string Digits(test::Rng& rng, int width, std::size_t below) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*zu", width, rng.Below(below));
    return buf;
}

// A record made of known parts, in one of the controllers' layouts.
struct Made {
    std::string packet;
    char source = 'C';
    std::string where, yy, mm, dd, hh, nn, card;
    char direction = '0';
    std::string job;        // positions 21-23, or 21-22 in the on-line layout of 22
    bool onLine22 = false;  // which gets the value of positions 21-22 appended
};

Made MakeRecord(test::Rng& rng) {
    Made m;
    m.source = "COR"[rng.Below(3)];
    m.where = Digits(rng, 2, 100);
    m.yy = Digits(rng, 2, 100);
    m.mm = Digits(rng, 2, 13);
    m.dd = Digits(rng, 2, 32);
    m.hh = Digits(rng, 2, 24);
    m.nn = Digits(rng, 2, 60);
    m.card = rng.Chance(0.8) ? Digits(rng, 6, 1000000) : "AB 12C";
    m.direction = "0<9>"[rng.Below(4)];
    m.job = rng.Chance(0.8) ? "00" + std::to_string(rng.Below(10)) : "1x0";
    const std::string head = m.source + m.where + m.yy + m.mm + m.dd + m.hh + m.nn + m.card;
    switch (rng.Below(3)) {
    case 0: m.packet = head + m.direction + m.job; break;
    case 1:  // the direction last, with anything after it
        if (m.direction == '0' || m.direction == '9') m.direction = m.direction == '0' ? '<' : '>';
        m.packet = head + m.job + m.direction + test::RawBytes(rng, 4);
        break;
    default:  // on line, 22 characters: a two-digit job number
        m.source = 'O';
        m.onLine22 = true;
        m.job = Digits(rng, 2, rng.Chance(0.5) ? 10 : 100);
        m.packet = "O" + head.substr(1) + m.direction + m.job;
        break;
    }
    return m;
}

// Positions 20 to 23 after the normalisation, as the parts say.
std::string CheckMade(const Made& m, const std::string& record, const ClockRecordKind& kind, const OnLineFields& f) {
    const std::string job = m.onLine22 ? m.job + std::to_string(std::stoi(m.job)) : m.job;
    if (record.substr(19) != std::string(1, m.direction) + job) return "direction and job " + record.substr(19);
    const bool in = m.direction == '0' || m.direction == '<';
    const bool known = job.size() == 3 && job.starts_with("00") && job[2] >= '0' && job[2] <= '8';
    const int index = known ? 2 * (job[2] - '0') + (in ? 1 : 2) : 0;
    if (kind.bad || kind.jobDisplayIndex != index) return "job display index " + std::to_string(kind.jobDisplayIndex);
    const std::string century = m.yy < "90" ? "20" : "19";
    if (f.date != m.dd + "/" + m.mm + "/" + century + m.yy) return "date " + f.date;
    if (f.time != m.hh + ":" + m.nn) return "time " + f.time;
    if (f.source != (m.source == 'O' ? "C" : std::string(1, m.source)) + m.where) return "source " + f.source;
    if (f.card != "00" + m.card) return "card " + f.card;
    return {};
}

// Any packet: the layout of whatever the steps give back.
std::string CheckShape(const std::string& packet, bool door) {
    if (packet.size() < 22) return {};  // FormatClockData stops at the length
    std::string record;
    try {
        record = NormaliseClockRecord(packet);
    } catch (const std::invalid_argument&) {
        if (packet.size() != 22 || packet[0] != 'O') return "only an on-line record of 22 may lack its job number";
        return {};
    }
    if (record.size() < 23) return "normalised to " + std::to_string(record.size()) + " characters";
    if (packet.size() >= 23 && record.size() != 23 && std::string("<>BE").find(packet[22]) != std::string::npos)
        return "direction moved but the record is not 23 characters";
    const ClockRecordKind kind = ClassifyClockRecord(record, door);
    if (kind.jobDisplayIndex < 0 || kind.jobDisplayIndex > 18 || (door && kind.jobDisplayIndex > 2))
        return "job display index " + std::to_string(kind.jobDisplayIndex);
    if (std::string("COR").find(record[0]) == std::string::npos && !kind.bad) return "source letter accepted";
    if (kind.bad) return {};
    const OnLineFields f = ClockRecordFields(record, "");
    if (f.date.size() != 10 || f.time.size() != 5 || f.source.size() != 3 || f.card.size() != 6)
        return "field widths " + f.date + "," + f.time + "," + f.source + "," + f.card;
    return {};
}

TEST(ClockRecordRandom, RecordsGiveTheirPartsBackAndAnyPacketKeepsTheLayout) {
    const test::RandomRun run = test::RandomRunFromEnv(20261209, 20000, 2000000);
    test::Rng rng(run.seed);
    std::string previous = "C0126030212001234560002";
    std::size_t made = 0;
    for (std::size_t n = 0; n < run.count; ++n) {
        std::string packet;
        std::string fault;
        const bool door = rng.Chance(0.2);
        if (rng.Chance(0.5)) {
            const Made m = MakeRecord(rng);
            packet = m.packet;
            const std::string record = NormaliseClockRecord(packet);
            const ClockRecordKind kind = ClassifyClockRecord(record, false);
            fault = CheckMade(m, record, kind, kind.bad ? OnLineFields{} : ClockRecordFields(record, "00"));
            ++made;
        } else {
            packet = rng.Chance(0.7) ? test::Mutated(rng, previous, kWords, "O012603021200123456<005")
                                     : test::RawBytes(rng, 40);
        }
        if (fault.empty()) fault = CheckShape(packet, door);
        ASSERT_TRUE(fault.empty()) << fault << "\n  seed " << run.seed << ", packet " << n << ": \""
                                   << test::Escaped(packet) << "\"" << (door ? " (door access)" : "");
        if (packet.size() >= 20 && packet.size() < 40) previous = packet;
    }
    EXPECT_GT(made, run.count / 3);
}

}  // namespace
}  // namespace kx
