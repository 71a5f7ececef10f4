#include "kx-db/demo_tables.h"

namespace kx::dbtool {

DemoTables::DemoTables(db::Database& db)
    : cards(db, "cards", 14, {}, checksum),
      tempcard(db, "tempcard", 4, {}, checksum),
      department(db, "department", 2, {}, checksum),
      extendedCardInfo(db, "Extended_Card_Info", 2, {}, checksum),
      clockReasons(db, "clock_reasons", 2, {}, checksum),
      holdate(db, "holdate", 2, {}, checksum),
      mServer(db, "M_Server", 8, {0, 5, 6, 7}, checksum),
      transR(db, "trans_r", 8, {}, checksum),
      transC(db, "trans_c", 6, {}, checksum),
      ktSys(db, "kt_sys", 22, {}, checksum),
      ktFormu(db, "kt_formu", 2, {}, checksum),
      ktShift(db, "kt_shift", 37, {}, checksum),
      ktSfgrp(db, "kt_sfgrp", 3, {}, checksum),
      ktSsche(db, "kt_ssche", 7, {}, checksum),
      ktCdext(db, "kt_cdext", 9, {}, checksum),
      ktAfchi(db, "kt_afchi", 2, {}, checksum),
      ktActi(db, "kt_acti", 2, {}, checksum),
      ktLeavetype(db, "kt_leavetype", 5, {1, 4}, checksum),
      ktLeave(db, "kt_leave", 3, {}, checksum),
      ktTimeoff(db, "kt_timeoff", 3, {}, checksum),
      ktAtdedit(db, "kt_atdedit", 7, {}, checksum),
      ktTmclk(db, "kt_tmclk", 6, {}, checksum),
      ktIni(db, "kt_ini", 4, {}, checksum),
      ktAttnd(db, "kt_attnd", 43, {23, 25, 26, 27, 35, 36, 37, 38, 39, 40}, checksum),
      otsap(db, "otsap", 20, {}, checksum),
      ktLerea(db, "kt_lerea", 7, {}, checksum),
      all_{&cards,  &tempcard,    &department, &extendedCardInfo, &clockReasons, &holdate, &mServer, &transR,
           &transC, &ktSys,       &ktFormu,    &ktShift,          &ktSfgrp,      &ktSsche, &ktCdext, &ktAfchi,
           &ktActi, &ktLeavetype, &ktLeave,    &ktTimeoff,        &ktAtdedit,    &ktTmclk, &ktIni,   &ktAttnd,
           &otsap,  &ktLerea} {}

void DemoTables::FlushAll() {
    for (TableWriter* writer : all_) writer->Flush();
}

std::vector<TableCount> DemoTables::Counts() const {
    std::vector<TableCount> counts;
    for (const TableWriter* writer : all_) counts.push_back({writer->Table(), writer->Rows()});
    return counts;
}

}  // namespace kx::dbtool
