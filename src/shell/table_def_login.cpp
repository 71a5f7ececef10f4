#include "shell/table_def_login.h"

#include <exception>
#include <stdexcept>

#include "core/agent_context.h"
#include "core/file_bytes.h"
#include "core/log.h"

namespace kx {
namespace {

// Up to 32 characters from base + 3i - 1, i = 1..32; false when none was found.
bool DecodeField(std::string_view head, unsigned k, unsigned base, std::string& out) {
    std::string text;
    for (unsigned i = 1; i <= 32; ++i) {
        const auto byte = static_cast<unsigned char>(head[base + 3 * i - 1]);
        if (byte == 0) break;
        text.push_back(static_cast<char>((byte + k + i) % 256));
    }
    out = std::move(text);
    return !out.empty();
}

}  // namespace

TableDefLogin DecodeTableDefLogin(std::string_view head) {
    TableDefLogin login;
    if (head.size() < kTableDefHeadSize) return login;
    const unsigned k = static_cast<unsigned char>(head[1]);
    DecodeField(head, k, k, login.user);
    std::string password;
    if (DecodeField(head, k, k + 96, password)) login.password = password;
    return login;
}

TableDefLogin ReadTableDefLogin(const std::filesystem::path& file, const std::string& fileName, const Log& log) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        log.WriteLog("Failed to locate: " + fileName);
        return {};
    }
    try {
        const std::string head = ReadFileBytes(file, kTableDefHeadSize);
        if (head.size() < kTableDefHeadSize)
            throw std::runtime_error("Read beyond end of file \"" + fileName + "\" (" + std::to_string(head.size()) +
                                     " of " + std::to_string(kTableDefHeadSize) + " bytes)");
        return DecodeTableDefLogin(head);
    } catch (const std::exception& e) {
        log.WriteLog(e.what());
        return {};
    }
}

TableDefLogin ReadTableDefLogin(const AgentContext& ctx) {
    return ReadTableDefLogin(ctx.home / ctx.derived.tableDefFile, ctx.derived.tableDefFile, ctx.log);
}

}  // namespace kx
