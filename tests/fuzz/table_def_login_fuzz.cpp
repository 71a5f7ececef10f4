// libFuzzer target for the login hidden in the table-definition file: any
// first 1024 bytes decode to a user name and a password of at most 32
// characters each, without reading outside the head, and encoding what was
// decoded into a fresh head gives the same login back.
//
//   cmake --build build-fuzz --target table_def_login_fuzz
//   mkdir -p /tmp/table_def_login-corpus && cp tests/fuzz/corpus/table_def_login/* /tmp/table_def_login-corpus/
//   build-fuzz/bin/table_def_login_fuzz -dict=tests/fuzz/table_def_login.dict -max_len=1100 -timeout=5 \
//       -runs=10000000 /tmp/table_def_login-corpus
//
// Input layout: byte 0 odd: the rest is the head as read; even: the rest is
// padded with zero bytes to a whole head, so short inputs reach the decoder.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/derived_values.h"
#include "fuzz_home.h"
#include "shell/table_def_login.h"

using kx::fuzz::Require;

namespace {

// Character i of a field sits at base + 3i - 1, as (code - k - i) modulo 256.
void Encode(std::string& head, unsigned k, unsigned base, const std::string& text) {
    for (unsigned i = 1; i <= text.size(); ++i)
        head[base + 3 * i - 1] = static_cast<char>((static_cast<unsigned char>(text[i - 1]) + 512 - k - i) % 256);
    if (text.size() < 32) head[base + 3 * (text.size() + 1) - 1] = '\0';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    std::string head(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] % 2 == 0 && head.size() < kx::kTableDefHeadSize) head.resize(kx::kTableDefHeadSize, '\0');

    const kx::TableDefLogin login = kx::DecodeTableDefLogin(head);
    if (head.size() < kx::kTableDefHeadSize) {
        Require(login == kx::TableDefLogin{});
        return 0;
    }
    Require(login.user.size() <= 32 && login.password.size() <= 32 && !login.password.empty());
    // Only the head counts.
    Require(kx::DecodeTableDefLogin(std::string_view(head).substr(0, kx::kTableDefHeadSize)) == login);

    const unsigned k = static_cast<unsigned char>(head[1]);
    std::string fresh(kx::kTableDefHeadSize, '\0');
    fresh[1] = head[1];
    Encode(fresh, k, k, login.user);
    // "NULL" stands for no password; an empty field says the same.
    Encode(fresh, k, k + 96, login.password == "NULL" ? "" : login.password);
    Require(kx::DecodeTableDefLogin(fresh) == login);
    return 0;
}
