#include "core/command_line.h"

#include <algorithm>
#include <charconv>
#include <memory>

namespace kx {
namespace {

constexpr std::size_t kLineWidth = 80;
constexpr std::size_t kOptionColumn = 24;

// Breaks each line of text at blanks so that none passes width. A line that
// starts with a blank is laid out by hand (a table) and kept as it is.
std::string Wrap(const std::string& text, std::size_t width) {
    std::string out;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        const std::size_t end = std::min(text.find('\n', begin), text.size());
        const std::string line = text.substr(begin, end - begin);
        if (line.starts_with(' ') || line.size() <= width) {
            out += line;
        } else {
            std::size_t length = 0;
            std::size_t pos = 0;
            while (pos < line.size()) {
                std::size_t wordEnd = line.find(' ', pos);
                if (wordEnd == std::string::npos) wordEnd = line.size();
                const std::size_t word = wordEnd - pos;
                if (length > 0 && length + 1 + word > width) {
                    out += '\n';
                    length = 0;
                } else if (length > 0) {
                    out += ' ';
                    ++length;
                }
                out.append(line, pos, word);
                length += word;
                pos = wordEnd + 1;
            }
        }
        if (end < text.size()) out += '\n';
        begin = end + 1;
    }
    return out;
}

class SynopsisFormatter final : public CLI::Formatter {
public:
    explicit SynopsisFormatter(std::string synopsis) : synopsis_(std::move(synopsis)) {}

    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override {
        if (mode == CLI::AppFormatMode::Sub) return CLI::Formatter::make_help(app, std::move(name), mode);
        std::string help = synopsis_;
        if (!app->get_description().empty()) help += "\n" + Wrap(app->get_description(), kLineWidth) + "\n";
        help += make_positionals(app);
        help += make_groups(app, mode);
        help += make_subcommands(app, mode);
        help += make_footer(app);
        return help;
    }

    // A subcommand's description, as its expanded help shows it indented.
    std::string make_description(const CLI::App* app) const override {
        const std::string description = app->get_description();
        return description.empty() ? std::string() : Wrap(description, kLineWidth - 2) + "\n";
    }

    // The value's name and REQUIRED; what an option needs or excludes is told
    // in its description, where it reads as a sentence.
    std::string make_option_opts(const CLI::Option* option) const override {
        std::string opts;
        if (!option->get_type_name().empty() && option->get_type_size() != 0)
            opts += " " + get_label(option->get_type_name());
        if (option->get_required()) opts += " " + get_label("REQUIRED");
        return opts;
    }

    // A command of a program with several, as --help shows them all: a heading
    // of its own, its description, its operands and options.
    std::string make_expanded(const CLI::App* sub) const override {
        std::string out = sub->get_display_name() + " command:\n";
        std::string description = Wrap(sub->get_description(), kLineWidth - 2);
        for (std::size_t at = 0; at != std::string::npos;) {
            const std::size_t end = description.find('\n', at);
            out += "  " + description.substr(at, end == std::string::npos ? end : end - at) + "\n";
            at = end == std::string::npos ? end : end + 1;
        }
        return out + make_positionals(sub) + make_groups(sub, CLI::AppFormatMode::Sub) + "\n";
    }

    std::string make_option_desc(const CLI::Option* option) const override {
        return Wrap(CLI::Formatter::make_option_desc(option), kLineWidth - kOptionColumn);
    }

    std::string make_footer(const CLI::App* app) const override {
        const std::string footer = app->get_footer();
        return footer.empty() ? std::string() : "\n" + Wrap(footer, kLineWidth) + "\n";
    }

private:
    std::string synopsis_;
};

void UseSynopsis(CLI::App& app, std::string synopsis) {
    if (!synopsis.ends_with('\n')) synopsis += '\n';
    app.formatter(std::make_shared<SynopsisFormatter>(std::move(synopsis)));
    app.get_formatter()->column_width(kOptionColumn);
}

}  // namespace

std::unique_ptr<CLI::App> ProgramApp(const std::string& program, const std::string& description,
                                     const std::string& synopsis, RepeatedOption repeated) {
    auto app = std::make_unique<CLI::App>(description, program);
    UseSynopsis(*app, synopsis);
    if (repeated == RepeatedOption::LastWins)
        app->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    return app;
}

bool ParseArguments(CLI::App& app, const std::vector<std::string>& args) {
    std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them last first
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        return false;
    }
    return true;
}

int ReportUsageError(const std::string& program, const std::string& synopsis, const CLI::Error& error,
                     std::ostream& err) {
    std::string mistake = error.what();
    std::replace(mistake.begin(), mistake.end(), '\n', ' ');
    err << program << ": " << mistake << "\n" << synopsis;
    if (!synopsis.ends_with('\n')) err << "\n";
    err << "Try '" << program << " --help'.\n";
    return kUsageStatus;
}

CLI::Validator NotEmpty(const std::string& what) {
    return CLI::Validator([what](const std::string& value) { return value.empty() ? "needs " + what : std::string(); },
                          "");
}

CLI::Validator WholeNumber(long long low, long long high) {
    return CLI::Validator(
        [low, high](const std::string& text) {
            long long value = 0;
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (!text.empty() && ec == std::errc() && end == text.data() + text.size() && value >= low && value <= high)
                return std::string();
            return "wants a whole number from " + std::to_string(low) + " to " + std::to_string(high) + ", not \"" +
                   text + "\"";
        },
        "");
}

}  // namespace kx
