#pragma once
#include <string_view>

namespace kx::db {

// Whether a statement text begins as a read (SELECT, WITH, VALUES or TABLE),
// past white space, comments and opening parentheses. Only a first filter: the
// engine then runs the text in a way that cannot write.
bool BeginsAsARead(std::string_view sql);

}  // namespace kx::db
