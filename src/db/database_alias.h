#pragma once
#include <filesystem>
#include <string>

namespace kx::db {

// Where an alias leads: a PostgreSQL URI, or an SQLite file.
struct DatabaseTarget {
    bool postgres = false;
    std::string uri;             // postgres
    std::filesystem::path file;  // SQLite
};

// "postgresql://..." and "postgres://..." are URIs. Anything else names an
// SQLite file: ALIAS.db in home when the alias holds no '/' and no '.', else the
// path as written, relative to home (an absolute path stays as it is).
DatabaseTarget ResolveAlias(const std::string& alias, const std::filesystem::path& home);

// Whether the file starts as an SQLite database does (an empty file does not).
bool IsSqliteDatabaseFile(const std::filesystem::path& file);

// The alias as a log line may show it: the password of a URI, in its user part
// or as a password parameter, becomes "***". Other aliases are returned as they are.
std::string MaskedAlias(const std::string& alias);

}  // namespace kx::db
