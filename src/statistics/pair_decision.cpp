#include "statistics/pair_decision.h"

#include <cmath>
#include <cstdio>

namespace korvel {

bool describe_pair_decision(const Particle* a, const Particle* b, MatchOutcome outcome,
                            double line_rate, PairDecision& out) {
    const Particle* first = a != nullptr ? a : b;
    if (first == nullptr) return false;
    out.outcome = outcome;
    out.a = a;
    out.b = b;
    out.time_line = first->y_first;
    out.has_lag = a != nullptr && b != nullptr;
    if (out.has_lag) {
        out.lag_lines = b->y_first - a->y_first;
        out.lag_ms = out.lag_lines * 1000.0 / line_rate;
    } else {
        out.lag_lines = out.lag_ms = 0.0;
    }
    return true;
}

std::string pair_csv_header(bool with_file) {
    std::string header = with_file ? "file" : "";
    for (const char* column : kPairColumns) {
        if (!header.empty()) header += ',';
        header += column;
    }
    header += '\n';
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

}  // namespace korvel
