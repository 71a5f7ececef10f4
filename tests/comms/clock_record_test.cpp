#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "comms/clock_record.h"

namespace kx {
namespace {

// Source "R", reader "01", 2024-03-15 08:05, card "123456", then the tail given.
std::string Record(const std::string& tail, char source = 'R') {
    return std::string(1, source) +
           "01240315080"
           "5123456" +
           tail;
}

TEST(NormaliseClockRecord, Layouts) {
    struct Case {
        std::string record, expected;
    };
    const Case cases[] = {
        // Direction at 23 moves to 20, the rest after 23 is dropped.
        {Record("002<"), Record("<002")},
        {Record("008>XYZ"), Record(">008")},
        {Record("001B"), Record("B001")},
        {Record("000E"), Record("E000")},
        // Already in place.
        {Record("0002"), Record("0002")},
        {Record("9008extra"), Record("9008extra")},
        // 22 characters: an on-line record gets the value of 21-22, others a "0".
        {Record("005", 'O'), Record("0055", 'O')},
        {Record("000", 'O'), Record("0000", 'O')},
        {Record("012", 'O'), Record("01212", 'O')},
        {Record("005"), Record("0050")},
        {Record("9xy", 'C'), Record("9xy0", 'C')},
    };
    for (const Case& c : cases) EXPECT_EQ(NormaliseClockRecord(c.record), c.expected) << c.record;
}

TEST(NormaliseClockRecord, OnLineRecordWithoutJobNumberFails) {
    EXPECT_THROW(NormaliseClockRecord(Record("0ab", 'O')), std::invalid_argument);
}

TEST(ClassifyClockRecord, DirectionsAndJobNumbers) {
    struct Case {
        std::string record;
        bool door;
        bool bad;
        int index;
    };
    const Case cases[] = {
        {Record("0000"), false, false, 1},
        {Record("9000"), false, false, 2},
        {Record("<002"), false, false, 5},
        {Record(">008"), false, false, 18},
        {Record("0008"), false, false, 17},
        {Record("0009"), false, false, 0},
        {Record("9010"), false, false, 0},
        {Record("0abc"), false, false, 0},
        {Record("1000"), false, true, 0},
        {Record("B000"), false, true, 0},
        {Record("0000", 'C'), false, false, 1},
        {Record("0000", 'O'), false, false, 1},
        {Record("0000", 'X'), false, true, 0},
        {Record("0000", 'M'), false, true, 0},
        {Record("0000", 'r'), false, true, 0},
        // Door-access layout: "000" at 20-22, direction at 23.
        {Record("0000"), true, false, 1},
        {Record("000<"), true, false, 1},
        {Record("0009"), true, false, 2},
        {Record("000>"), true, false, 2},
        {Record("0010"), true, false, 0},
        {Record("0005"), true, false, 0},
        {Record("9000", 'X'), true, true, 0},
    };
    for (const Case& c : cases) {
        const ClockRecordKind kind = ClassifyClockRecord(c.record, c.door);
        EXPECT_EQ(kind.bad, c.bad) << c.record << " door " << c.door;
        EXPECT_EQ(kind.jobDisplayIndex, c.index) << c.record << " door " << c.door;
    }
}

TEST(QuietlyRejected, MessagesOfTheControllers) {
    for (char c : std::string("!$%18@D")) EXPECT_TRUE(QuietlyRejected(Record(std::string(1, c) + "000", 'X'))) << c;
    EXPECT_TRUE(QuietlyRejected(Record("5000", 'M')));
    for (char c : std::string("2570B#d")) EXPECT_FALSE(QuietlyRejected(Record(std::string(1, c) + "000", 'X'))) << c;
}

TEST(CenturyOf, NinetyIsTheTurn) {
    EXPECT_EQ(CenturyOf("89"), "20");
    EXPECT_EQ(CenturyOf("90"), "19");
    EXPECT_EQ(CenturyOf("9 "), "20");  // compared as text
}

}  // namespace
}  // namespace kx
