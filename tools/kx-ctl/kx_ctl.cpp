#include "kx_ctl.h"

#include "ctl_commands.h"
#include "ctl_options.h"
#include "exchange.h"
#include "mailbox_command.h"

namespace kxctl {

int RunKxCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        const CtlOptions options = ParseCtlOptions(args);
        if (options.help) {
            out << UsageText();
            return kOk;
        }
        const std::string text = MailboxCommandText(options);
        return Exchange(options, out, err).Run(*FindCtlCommand(options.command), text);
    } catch (const CLI::ParseError& e) {
        return kx::ReportUsageError("kx-ctl", SynopsisText(), e, err);
    } catch (const std::exception& e) {
        return Fail(err, kError, e.what());
    }
}

}  // namespace kxctl
