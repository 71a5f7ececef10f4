#include "kx-fep/kx_fep.h"

#include <memory>
#include <optional>

#include "core/clock.h"
#include "kx-fep/clock_source.h"
#include "kx-fep/clock_store.h"
#include "kx-fep/fep_options.h"
#include "kx-fep/fep_server.h"
#include "kx-fep/stop_signals.h"

namespace kx::feptool {

namespace {

void QueueGenerated(const FepOptions& options, ClockQueue& queue) {
    std::vector<std::string> cards;
    {
        const auto staff = OpenSuiteDatabase(options.staffFrom);
        cards = GenerationCards(staff->Db());
    }
    if (cards.empty())
        throw dbtool::ToolError("no cards to generate clockings for in " + dbtool::ShownTarget(options.staffFrom) +
                                " (six-character cards of staff with a kt_cdext row, not temporary)");
    for (std::string& record : GenerateClockings(cards, options.generate, SystemClock().Now()))
        queue.push_back({std::move(record), false});
}

}  // namespace

int RunKxFep(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    FepOptions options;
    try {
        options = ParseFepOptions(args);
    } catch (const CLI::ParseError& e) {
        return kx::ReportUsageError("kx-fep", SynopsisText(), e, err);
    }
    if (options.help) {
        out << UsageText();
        return kOk;
    }
    try {
        ClockQueue queue;
        std::unique_ptr<ClockStore> store;
        if (!options.db.empty()) store = std::make_unique<ClockStore>(options.db, options.table);
        if (!options.clockings.empty() && options.clockings != "-") ReadClockingsFile(options.clockings, queue, err);
        if (options.generate > 0) QueueGenerated(options, queue);

        StopSignals signals;
        FepServer server(options, queue, store.get(), out, err);
        server.Listen();
        out << "kx-fep listening on " << server.Address() << std::endl;
        std::optional<ClockingIntake> intake;
        if (options.clockings == "-") intake.emplace("standard input", err);
        server.Serve(signals.Fd(), intake ? &*intake : nullptr);
    } catch (const std::exception& e) {
        err << "kx-fep: " << e.what() << std::endl;
        return kError;
    }
    return kOk;
}

}  // namespace kx::feptool
