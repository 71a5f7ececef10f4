#include "kx-fep/clock_source.h"

#include <algorithm>
#include <fstream>

#include "kx-db/target_database.h"

namespace kx::feptool {

namespace {

constexpr std::size_t kCardLength = 6;

}  // namespace

void LineSplitter::Add(std::string_view bytes) {
    if (bytes.empty()) return;
    open_ = true;
    current_.length += bytes.size();
    const std::size_t room = kMaxRecordLength + 1 - std::min(current_.text.size(), kMaxRecordLength + 1);
    current_.text.append(bytes.substr(0, room));
    lastByte_ = bytes.back();
}

std::vector<InputLine> LineSplitter::Feed(std::string_view bytes) {
    std::vector<InputLine> lines;
    while (!bytes.empty()) {
        const std::size_t lf = bytes.find('\n');
        if (lf == std::string_view::npos) {
            Add(bytes);
            break;
        }
        Add(bytes.substr(0, lf));
        bytes.remove_prefix(lf + 1);
        if (current_.length > 0 && lastByte_ == '\r') {
            if (current_.text.size() == current_.length) current_.text.pop_back();
            --current_.length;
        }
        lines.push_back(std::move(current_));
        current_ = {};
        open_ = false;
        lastByte_ = 0;
    }
    return lines;
}

std::optional<InputLine> LineSplitter::Finish() {
    if (!open_) return std::nullopt;
    InputLine last = std::move(current_);
    current_ = {};
    open_ = false;
    return last;
}

LineVerdict CheckClockingLine(const InputLine& line) {
    if (std::all_of(line.text.begin(), line.text.end(), [](char c) { return c == ' '; }) &&
        line.length == line.text.size())
        return LineVerdict::Blank;
    if (line.length > kMaxRecordLength) return LineVerdict::TooLong;
    const bool control = std::any_of(line.text.begin(), line.text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 32 || byte == 127;
    });
    return control ? LineVerdict::ControlByte : LineVerdict::Record;
}

bool ClockingIntake::Take(const InputLine& line, ClockQueue& queue) {
    ++lineNo_;
    const char* problem = nullptr;
    switch (CheckClockingLine(line)) {
    case LineVerdict::Record: queue.push_back({line.text, false}); return true;
    case LineVerdict::Blank: return false;
    case LineVerdict::TooLong: problem = "longer than 100 bytes"; break;
    case LineVerdict::ControlByte: problem = "holds control bytes"; break;
    }
    err_ << "kx-fep: " << source_ << " line " << lineNo_ << " rejected: " << problem << " (" << line.length << " bytes)"
         << std::endl;
    return false;
}

std::size_t ClockingIntake::Feed(std::string_view bytes, ClockQueue& queue) {
    std::size_t taken = 0;
    for (const InputLine& line : lines_.Feed(bytes)) taken += Take(line, queue);
    return taken;
}

std::size_t ClockingIntake::Finish(ClockQueue& queue) {
    const std::optional<InputLine> last = lines_.Finish();
    return last && Take(*last, queue) ? 1 : 0;
}

void ReadClockingsFile(const std::string& path, ClockQueue& queue, std::ostream& err) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw dbtool::ToolError("cannot read " + path);
    ClockingIntake intake(path, err);
    char buf[16384];
    while (in.read(buf, sizeof buf) || in.gcount() > 0)
        intake.Feed(std::string_view(buf, static_cast<std::size_t>(in.gcount())), queue);
    if (in.bad()) throw dbtool::ToolError("cannot read " + path);
    intake.Finish(queue);
}

std::vector<std::string> GenerationCards(db::Database& db) {
    db::ResultSet rows;
    db.Run(
        "select c.card_number from cards c, kt_cdext x where c.staff_number = x.staff_number"
        " and trim(coalesce(c.card_type, '')) <> 'T' order by c.card_number",
        &rows);
    std::vector<std::string> cards;
    for (std::size_t r = 0; r < rows.rowCount; ++r) {
        const std::string& card = rows.cells[r * rows.columns.size()];
        if (card.size() == kCardLength) cards.push_back(card);
    }
    return cards;
}

std::vector<std::string> GenerateClockings(const std::vector<std::string>& cards, int n, LocalTime now) {
    std::vector<std::string> records;
    if (cards.empty() || n <= 0) return records;
    const std::string date = DateText(now).substr(2);  // yymmdd
    const auto today = std::chrono::floor<std::chrono::days>(now);
    const long long minutesSoFar = std::chrono::duration_cast<std::chrono::minutes>(now - today).count();
    const std::size_t total = static_cast<std::size_t>(n);
    for (std::size_t i = 0; i < total; ++i) {
        const std::size_t card = i % cards.size();
        const bool in = (i / cards.size()) % 2 == 0;
        // Evenly from midnight up to now, last one at now: times never go backwards.
        const long long minute = minutesSoFar * static_cast<long long>(i + 1) / static_cast<long long>(total);
        const std::string time = TimeText(today + std::chrono::minutes(minute));
        records.push_back("C01" + date + time + cards[card] + (in ? "0" : "9") + "000");
    }
    return records;
}

}  // namespace kx::feptool
