#include "pair_rows.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <utility>

#include "json_writer.h"

namespace korvel::replay {
namespace {

constexpr size_t kSpillAt = 1 << 16;

// A double as the event stream prints it (shortest form that reads back the same); empty where
// the event stream says null.
void append_number(std::string& out, double value) {
    if (std::isfinite(value)) JsonLine::append_double(out, value);
}

void append_particle(std::string& out, const Particle* p) {
    if (p == nullptr) {
        out += ",,,,,,";
        return;
    }
    out += ',';
    append_number(out, p->y_first);
    out += ',';
    append_number(out, p->y_last);
    char ints[64];
    std::snprintf(ints, sizeof ints, ",%d,%d,%d,%d", p->line_count, p->max_width, p->x_min,
                  p->x_max);
    out += ints;
}

}  // namespace

std::string pair_csv_header(bool with_file) {
    std::string header = with_file ? "file," : "";
    header +=
        "time,outcome,"
        "a_y_first,a_y_last,a_line_count,a_max_width,a_x_min,a_x_max,"
        "b_y_first,b_y_last,b_line_count,b_max_width,b_x_min,b_x_max,"
        "lag_lines,lag_ms\n";
    return header;
}

std::string time_of_day_ms(double y, double line_rate) {
    const double ms = std::floor(y / line_rate * 1000.0);
    // 2^53 ms is some 285000 years: past it a millisecond is no longer a whole number.
    if (!std::isfinite(ms) || std::fabs(ms) > 9007199254740992.0) return {};
    const bool before_midnight = ms < 0;
    const auto total = static_cast<long long>(before_midnight ? -ms : ms);
    char text[64];
    std::snprintf(text, sizeof text, "%s%02lld:%02lld:%02lld.%03lld", before_midnight ? "-" : "",
                  total / 3600000, total / 60000 % 60, total / 1000 % 60, total % 1000);
    return text;
}

PairRows::PairRows(std::FILE* to, double line_rate, std::string file_column)
    : to_(to), line_rate_(line_rate), prefix_(std::move(file_column)) {
    if (!prefix_.empty()) prefix_ += ',';
}

void PairRows::on_match(const Particle* a, const Particle* b, MatchOutcome outcome) {
    const Particle* first = a != nullptr ? a : b;
    if (first == nullptr) return;  // no decision is taken about nothing
    rows_ += prefix_;
    rows_ += time_of_day_ms(first->y_first, line_rate_);
    rows_ += ',';
    rows_ += match_outcome_name(outcome);
    append_particle(rows_, a);
    append_particle(rows_, b);
    rows_ += ',';
    if (a != nullptr && b != nullptr) {
        const double lag = b->y_first - a->y_first;
        append_number(rows_, lag);
        rows_ += ',';
        append_number(rows_, lag * 1000.0 / line_rate_);
    } else {
        rows_ += ',';
    }
    rows_ += '\n';
    if (rows_.size() >= kSpillAt) spill();
}

void PairRows::spill() {
    if (error_ == 0 && std::fwrite(rows_.data(), 1, rows_.size(), to_) != rows_.size()) {
        error_ = errno != 0 ? errno : EIO;
    }
    rows_.clear();
}

bool PairRows::finish() {
    spill();
    if (error_ == 0 && std::fflush(to_) != 0) error_ = errno != 0 ? errno : EIO;
    return error_ == 0;
}

}  // namespace korvel::replay
