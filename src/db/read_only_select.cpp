#include "db/read_only_select.h"

#include <cctype>
#include <string>

namespace kx::db {

namespace {

std::size_t SkipBlanksAndComments(std::string_view sql, std::size_t at) {
    while (at < sql.size()) {
        const unsigned char c = static_cast<unsigned char>(sql[at]);
        if (std::isspace(c) || c == '(') {
            ++at;
        } else if (sql.substr(at, 2) == "--") {
            const std::size_t end = sql.find('\n', at);
            at = end == std::string_view::npos ? sql.size() : end + 1;
        } else if (sql.substr(at, 2) == "/*") {
            const std::size_t end = sql.find("*/", at + 2);
            at = end == std::string_view::npos ? sql.size() : end + 2;
        } else {
            break;
        }
    }
    return at;
}

}  // namespace

bool BeginsAsARead(std::string_view sql) {
    const std::size_t start = SkipBlanksAndComments(sql, 0);
    std::string word;
    for (std::size_t at = start; at < sql.size() && std::isalpha(static_cast<unsigned char>(sql[at])); ++at)
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(sql[at])));
    return word == "select" || word == "with" || word == "values" || word == "table";
}

}  // namespace kx::db
