#include "db/database_alias.h"

namespace kx::db {

DatabaseTarget ResolveAlias(const std::string& alias, const std::filesystem::path& home) {
    DatabaseTarget target;
    if (alias.starts_with("postgresql://") || alias.starts_with("postgres://")) {
        target.postgres = true;
        target.uri = alias;
    } else if (alias.find_first_of("/.") == std::string::npos) {
        target.file = home / (alias + ".db");
    } else {
        target.file = home / alias;
    }
    return target;
}

}  // namespace kx::db
