#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "db/database.h"
#include "kx-db/table_writer.h"

namespace kx::dbtool {

struct TableCount {
    std::string table;
    long rows = 0;
};

// One writer per suite table, in schema order; the agent's own output tables
// are listed so that the summary shows them empty.
struct DemoTables {
    explicit DemoTables(db::Database& db);

    void FlushAll();
    std::vector<TableCount> Counts() const;

    Checksum checksum;
    TableWriter cards, tempcard, department, extendedCardInfo, clockReasons, holdate, mServer, transR, transC;
    TableWriter ktSys, ktFormu, ktShift, ktSfgrp, ktSsche, ktCdext, ktAfchi, ktActi, ktLeavetype, ktLeave;
    TableWriter ktTimeoff, ktAtdedit, ktTmclk, ktIni, ktAttnd, otsap, ktLerea;

private:
    const std::vector<TableWriter*> all_;
};

}  // namespace kx::dbtool
