#pragma once
#include <memory>
#include <string>

#include "db/backend.h"

namespace kx::db {

// Connects with a postgresql:// or postgres:// URI; `user` and `password`, when
// not empty, replace the URI's own.
std::unique_ptr<Backend> OpenPostgresBackend(const std::string& uri, const std::string& user,
                                             const std::string& password);

}  // namespace kx::db
