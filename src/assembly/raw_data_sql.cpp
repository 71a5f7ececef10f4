#include "assembly/raw_data_sql.h"

#include "db/sql_quote.h"

namespace kx {
namespace {

using db::SqlQuote;

std::string Quoted(const std::string& value) { return "'" + SqlQuote(value) + "'"; }

// "(col ='D' or col = 'N' or col = 'P')  and "
std::string DateWindowCondition(const char* column, const ClockDates& dates) {
    const std::string col(column);
    return "(" + col + " =" + Quoted(dates.D) + " or " + col + " = " + Quoted(dates.N) + " or " + col + " = " +
           Quoted(dates.P) + ")  and ";
}

}  // namespace

std::string CardNumberSQL(const std::string& staff) {
    return "select card_number from cards where staff_number = " + Quoted(staff);
}

std::string AtdEditSQL(const std::string& staff, const std::string& date) {
    return "select * from kt_atdedit where staff_number=" + Quoted(staff) + " and at_date=" + Quoted(date);
}

std::string TransCCountSQL(const std::string& card) {
    return "select count(*) from trans_c where tr_data=" + Quoted(card);
}

std::string TransRByStaffSQL(const ClockDates& dates, const std::string& staff) {
    return "select * from trans_r where " + DateWindowCondition("tr_date", dates) + "staff_number = " + Quoted(staff) +
           " and tr_code in ('0','9')";
}

std::string TransRByCardSQL(const ClockDates& dates, const std::string& card) {
    return "select * from trans_r where " + DateWindowCondition("tr_date", dates) + "tr_data = " + Quoted(card) +
           " and tr_code in ('0','9')";
}

std::string TransCByCardSQL(const ClockDates& dates, const std::string& card) {
    return "select * from trans_c where " + DateWindowCondition("tr_date", dates) + "tr_data = " + Quoted(card) +
           " and tr_code in ('<','>')";
}

std::string TmClkInOutSQL(const ClockDates& dates, const std::string& staff) {
    return "select * from kt_tmclk where " + DateWindowCondition("tc_date", dates) + "staff_number = " + Quoted(staff) +
           " and tran_code in ('I','O')";
}

std::string TmClkInOnDateSQL(const std::string& date, const std::string& staff) {
    return "select * from kt_tmclk where ( tc_date = " + Quoted(date) + " )  and staff_number = " + Quoted(staff) +
           " and tran_code ='I'";
}

std::string TmClkAllSQL(const ClockDates& dates, const std::string& staff) {
    return "select * from kt_tmclk where " + DateWindowCondition("tc_date", dates) + "staff_number = " + Quoted(staff);
}

std::string ClockReasonSQL(const std::string& reasonNo) {
    return "select * from clock_reasons where reason_no=" + Quoted(reasonNo);
}

std::string ExtendedIDSQL(const std::string& staff) {
    return "select ID_No from Extended_Card_Info where staff_number = " + Quoted(staff);
}

}  // namespace kx
