#pragma once
#include <string>
#include <vector>

#include "core/tat_emp.h"
#include "db/database.h"

namespace kx {

// The columns a batch needs of one staff row of cards joined with kt_cdext.
struct BatchStaffRow {
    std::string staffNumber;
    std::string name;
    std::string cardNumber;
    std::string scCode, brCode, dpCode, cpCode;
    std::string otEntitled;
    std::string onShift;
    std::string exempted;
};

// Copies every row of an opened staff select out of its query object, so that
// whatever runs while the batch lets the event loop dispatch cannot move or
// close the rows under the walk. Throws DbError when a column is missing.
std::vector<BatchStaffRow> TakeStaffRows(db::Query& query);

// The card fields of the template record that a batch fills before each staff
// member's reprocessing.
void FillTemplateCard(TAT_Emp& templateRec, const BatchStaffRow& row);

}  // namespace kx
