#pragma once
#include <string_view>

namespace kx::dbtool {

// The suite schema scripts, embedded at build time from schema/*.sql.
std::string_view SqliteSchemaSql();
std::string_view PostgresSchemaSql();

}  // namespace kx::dbtool
