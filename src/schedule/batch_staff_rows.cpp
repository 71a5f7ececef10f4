#include "schedule/batch_staff_rows.h"

namespace kx {

std::vector<BatchStaffRow> TakeStaffRows(db::Query& query) {
    std::vector<BatchStaffRow> rows;
    if (!query.Active()) return rows;
    rows.reserve(static_cast<std::size_t>(query.RecordCount()));
    for (query.First(); !query.Eof(); query.Next()) {
        BatchStaffRow row;
        row.staffNumber = query.FieldByName("staff_number");
        row.name = query.FieldByName("name");
        row.cardNumber = query.FieldByName("card_number");
        row.scCode = query.FieldByName("sc_code");
        row.brCode = query.FieldByName("br_code");
        row.dpCode = query.FieldByName("dp_code");
        row.cpCode = query.FieldByName("cp_code");
        row.otEntitled = query.FieldByName("ot_entitled");
        row.onShift = query.FieldByName("on_shift");
        row.exempted = query.FieldByName("exempted");
        rows.push_back(std::move(row));
    }
    return rows;
}

void FillTemplateCard(TAT_Emp& templateRec, const BatchStaffRow& row) {
    templateRec.Name = row.name;
    templateRec.CardNo = row.cardNumber;
    templateRec.ScCode = row.scCode;
    templateRec.BrCode = row.brCode;
    templateRec.DpCode = row.dpCode;
    templateRec.CpCode = row.cpCode;
    templateRec.ProcessMode.assign(1, row.otEntitled == "Y" ? 'T' : 'N');
}

}  // namespace kx
