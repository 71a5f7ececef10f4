#pragma once
#include <filesystem>
#include <string>
#include <string_view>

#include "core/derived_values.h"

namespace kx {

class Log;
struct AgentContext;

// The login is hidden in the first 1024 bytes of the table-definition file.
inline constexpr std::size_t kTableDefHeadSize = 1024;

// Decodes the login from the file's first 1024 bytes (fewer bytes: both "NULL").
// With k the byte at offset 1, character i (1..32) of the user name is
// (byte at k + 3i - 1) + k + i modulo 256, up to the first zero byte; the
// password likewise from k + 96 + 3i - 1. The user name is taken even when
// empty; the password only when it has a character.
TableDefLogin DecodeTableDefLogin(std::string_view head);

// Reads the login from `file`. A missing file is logged as "Failed to locate: "
// + fileName, a short or unreadable file with the error text; either way both
// values stay "NULL".
TableDefLogin ReadTableDefLogin(const std::filesystem::path& file, const std::string& fileName, const Log& log);
// The table-definition file of ctx.derived, resolved against the home directory.
TableDefLogin ReadTableDefLogin(const AgentContext& ctx);

}  // namespace kx
