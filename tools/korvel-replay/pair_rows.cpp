#include "pair_rows.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <utility>

#include "json_writer.h"
#include "statistics/pair_decision.h"

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

PairRows::PairRows(std::FILE* to, double line_rate, std::string file_column)
    : to_(to), line_rate_(line_rate), prefix_(std::move(file_column)) {
    if (!prefix_.empty()) prefix_ += ',';
}

void PairRows::on_match(const Particle* a, const Particle* b, MatchOutcome outcome) {
    PairDecision d;
    if (!describe_pair_decision(a, b, outcome, line_rate_, d)) return;
    rows_ += prefix_;
    rows_ += time_of_day_ms(d.time_line, line_rate_);
    rows_ += ',';
    rows_ += match_outcome_name(d.outcome);
    append_particle(rows_, d.a);
    append_particle(rows_, d.b);
    rows_ += ',';
    if (d.has_lag) {
        append_number(rows_, d.lag_lines);
        rows_ += ',';
        append_number(rows_, d.lag_ms);
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
