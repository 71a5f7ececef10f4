#include "mailbox_command.h"

#include <cctype>

#include "comms/shared_block.h"

namespace kxctl {

namespace {

bool AllDigits(const std::string& text)
{
    if (text.empty()) return false;
    for (const char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

std::string TrpText(const std::vector<std::string>& a)
{
    const std::string& source = a[0];
    if (source.size() != 1 || !std::isalpha(static_cast<unsigned char>(source[0])))
        throw CLI::ValidationError("trp: SOURCE is one letter (T or D), not \"" + source + "\"");
    for (const std::string& date : {a[1], a[2]})
        if (date.size() != 8 || !AllDigits(date)) throw CLI::ValidationError("trp: dates are written yyyymmdd, not \"" + date + "\"");
    if (a[3].empty()) throw CLI::ValidationError("trp: the staff SQL is empty");
    return "TRP" + source + a[1] + a[2] + a[3];
}

std::string SgbText(const std::string& n)
{
    if (n.size() > 3 || !AllDigits(n)) throw CLI::ValidationError("sgb: N is a number from 0 to 999, not \"" + n + "\"");
    return "SGB" + std::string(3 - n.size(), '0') + n;
}

}  // namespace

std::string MailboxCommandText(const CtlOptions& options)
{
    const std::string& c = options.command;
    const std::vector<std::string>& a = options.arguments;
    std::string text;
    if (c == "trp") text = TrpText(a);
    else if (c == "old") text = "OLD";
    else if (c == "cmd") text = "CMD" + a[0];
    else if (c == "sgb") text = SgbText(a[0]);
    else if (c == "wnm") text = "WNM";
    else if (c == "ack") text = "ACK";
    else if (c == "end") text = "END";
    else if (c == "raw") text = a[0];
    if (text.size() >= kx::SharedBlock::kSize)
        throw CLI::ValidationError(c + ": the text is " + std::to_string(text.size()) +
                                   " bytes; the block holds at most " + std::to_string(kx::SharedBlock::kSize - 1));
    if (text.find('\0') != std::string::npos) throw CLI::ValidationError(c + ": the text holds a NUL byte");
    return text;
}


}  // namespace kxctl
