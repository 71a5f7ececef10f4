#pragma once
#include <filesystem>
#include <memory>

#include "db/backend.h"

namespace kx::db {

// Opens an existing SQLite file read-write (never creates it); WAL journal,
// synchronous=NORMAL and a busy timeout, so other programs can share the file.
std::unique_ptr<Backend> OpenSqliteBackend(const std::filesystem::path& file);

}  // namespace kx::db
