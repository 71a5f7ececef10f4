#include <gtest/gtest.h>

#include <string>

#include "comms/get_name_dep.h"
#include "comms/on_the_fly_db.h"
#include "db/sql_quote.h"

namespace kx {
namespace {

using test::OnTheFlyTest;

// cards columns: staff_number, card_number, name, depart_code, card_type, photo,
// sc_code, br_code, dp_code, cp_code, exempted, starting_date, expiry_date, misc.
std::string CardRow(const std::string& staff, const std::string& card, const std::string& name, const std::string& dept,
                    const std::string& type, const std::string& photo) {
    using db::SqlQuote;
    return "insert into cards values ('" + staff + "','" + SqlQuote(card) + "','" + SqlQuote(name) + "','" + dept +
           "','" + type + "','" + photo + "','SC','BR','" + dept + "','CP','N','20200101','20991231','NONE')";
}

std::string Text(const NameDep& n) {
    return n.name + "|" + n.department + "|" + n.staff + "|" + n.otEntitled + "|" + n.onShift + "|" + n.photo;
}

class GetNameDepTest : public OnTheFlyTest {
protected:
    void SetUp() override {
        OnTheFlyTest::SetUp();
        if (IsSkipped()) return;
        // Now is 2024-03-15 09:30:00.
        base().Run({
            CardRow("S001", "123456", "Ann Lee", "D1", "N", "ann.jpg"),
            CardRow("S002", "654321", "Bob Tan", "D9", "", ""),
            CardRow("S003", "222222", "Cy Ong", "", "N", "cy.png"),
            CardRow("S004", "12'456", "Di O'Neil", "D1", "N", ""),
            CardRow("T900001", "900001", "Temporary Card", "", "T", ""),
            CardRow("T900002", "900002", "Temporary Card", "", " T ", ""),
            CardRow("T900003", "900003", "Temporary Card", "", "T", ""),
            CardRow("T900004", "900004", "Temporary Card", "", "T", ""),
            CardRow("T900005", "900005", "Temporary Card", "", "T", ""),
            CardRow("T900006", "900006", "Temporary Card", "", "T", ""),
            "insert into department values ('D1','Sales')",
            "insert into kt_cdext values ('S001','Y','Y','NONE','N','SC','BR','D1','CP')",
            "insert into kt_cdext values ('S003','N','Y','NONE','N','SC','BR','','CP')",
            // Issued today until midnight, then again next week: the current issue names S001.
            "insert into tempcard values ('900001','S001','20240315000000','20240315235959')",
            "insert into tempcard values ('900001','S002','20240320000000','20240322235959')",
            // Valid from exactly now.
            "insert into tempcard values ('900002','S003','20240315093000','20240316000000')",
            // Expired a second ago.
            "insert into tempcard values ('900003','S001','20240301000000','20240315092959')",
            // Not valid before tomorrow.
            "insert into tempcard values ('900004','S001','20240316000000','20240320235959')",
            // Valid up to exactly now.
            "insert into tempcard values ('900005','S002','20240314000000','20240315093000')",
            // Its holder has no cards row.
            "insert into tempcard values ('900006','S999','20240101000000','20241231235959')",
        });
    }
};

TEST_P(GetNameDepTest, CardsAndTemporaryCards) {
    struct Case {
        std::string card, expected;
    };
    const Case cases[] = {
        {"123456", "Ann Lee|Sales|S001|Y|Y|ann.jpg"},
        // A department without a row shows its code; no kt_cdext keeps "N".
        {"654321", "Bob Tan|D9|S002|N|N|"},
        {"222222", "Cy Ong|Unknown|S003|N|Y|cy.png"},
        {"12'456", "Di O'Neil|Sales|S004|N|N|"},
        {"999999", "Unknown|Unknown||N|N|"},
        {"", "Unknown|Unknown||N|N|"},
        {"900001", "Ann Lee|Sales|S001|Y|Y|ann.jpg"},
        {"900002", "Cy Ong|Unknown|S003|N|Y|cy.png"},
        {"900003", "Unknown|Unknown||N|N|"},
        {"900004", "Unknown|Unknown||N|N|"},
        {"900005", "Bob Tan|D9|S002|N|N|"},
        {"900006", "Unknown|Unknown||N|N|"},
    };
    for (const Case& c : cases) EXPECT_EQ(Text(GetNameDep(ctx(), c.card)), c.expected) << "card " << c.card;
    EXPECT_TRUE(base().LogLines().empty());
}

TEST_P(GetNameDepTest, TemporaryCardFollowsTheClock) {
    base().clock().Set(MakeLocalTime(2024, 3, 21, 12, 0, 0));
    EXPECT_EQ(Text(GetNameDep(ctx(), "900001")), "Bob Tan|D9|S002|N|N|");
    base().clock().Set(MakeLocalTime(2024, 3, 23, 0, 0, 0));
    EXPECT_EQ(Text(GetNameDep(ctx(), "900001")), "Unknown|Unknown||N|N|");
}

TEST_P(GetNameDepTest, MissingColumnIsLoggedAndKeepsWhatWasFound) {
    base().Run({"drop table kt_cdext", "create table kt_cdext (staff_number text, ot_entitled text)",
                "insert into kt_cdext values ('S001','Y')"});
    const NameDep found = GetNameDep(ctx(), "123456");
    EXPECT_EQ(Text(found), "Ann Lee|Sales|S001|Y|N|ann.jpg");
    EXPECT_TRUE(base().LoggedStartingWith("<GetNameDep>"));
}

TEST_P(GetNameDepTest, MissingTableIsAQueryThatFoundNothing) {
    base().Run({"drop table department"});
    EXPECT_EQ(Text(GetNameDep(ctx(), "123456")), "Ann Lee|D1|S001|Y|Y|ann.jpg");
    EXPECT_TRUE(base().LoggedStartingWith("<RunSQL>"));
}

TEST(TempCardStamp, YearToSecond) {
    EXPECT_EQ(TempCardStamp(MakeLocalTime(2024, 3, 15, 9, 5, 7)), "20240315090507");
    EXPECT_EQ(TempCardStamp(MakeLocalTime(1999, 12, 31, 23, 59, 59)), "19991231235959");
}

KX_INSTANTIATE_BACKENDS(GetNameDepTest);

}  // namespace
}  // namespace kx
