#include "db/database_alias.h"

#include <algorithm>
#include <fstream>

namespace kx::db {

namespace {

bool IsUri(const std::string& alias) { return alias.starts_with("postgresql://") || alias.starts_with("postgres://"); }

// "password=..." parameters of the query part, up to the next '&'.
void MaskPasswordParameters(std::string& uri, std::size_t queryStart) {
    for (std::size_t at = uri.find('?', queryStart); at != std::string::npos;) {
        const std::size_t name = at + 1;
        const std::size_t end = std::min(uri.find('&', name), uri.size());
        const std::size_t equals = uri.find('=', name);
        if (equals != std::string::npos && equals < end && uri.compare(name, equals - name, "password") == 0) {
            uri.replace(equals + 1, end - equals - 1, "***");
            at = uri.find('&', equals);
        } else {
            at = end < uri.size() ? end : std::string::npos;
        }
    }
}

}  // namespace

DatabaseTarget ResolveAlias(const std::string& alias, const std::filesystem::path& home) {
    DatabaseTarget target;
    if (IsUri(alias)) {
        target.postgres = true;
        target.uri = alias;
    } else if (alias.find_first_of("/.") == std::string::npos) {
        target.file = home / (alias + ".db");
    } else {
        target.file = home / alias;
    }
    return target;
}

bool IsSqliteDatabaseFile(const std::filesystem::path& file) {
    static constexpr char kHeader[] = "SQLite format 3";  // and its NUL: the first 16 bytes of every such file
    std::ifstream in(file, std::ios::binary);
    char head[sizeof kHeader] = {};
    return in.read(head, sizeof head) && std::equal(head, head + sizeof head, kHeader);
}

std::string MaskedAlias(const std::string& alias) {
    if (!IsUri(alias)) return alias;
    std::string uri = alias;
    const std::size_t authority = uri.find("://") + 3;
    const std::size_t authorityEnd = std::min(uri.find_first_of("/?", authority), uri.size());
    const std::size_t at = uri.rfind('@', authorityEnd);
    if (at != std::string::npos && at >= authority) {
        const std::size_t colon = uri.find(':', authority);
        if (colon != std::string::npos && colon < at) uri.replace(colon + 1, at - colon - 1, "***");
    }
    MaskPasswordParameters(uri, authority);
    return uri;
}

}  // namespace kx::db
