#include "common/number_text.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace korvel {

std::optional<uint64_t> parse_whole_number(std::string_view text, uint64_t low, uint64_t high) {
    if (text.empty()) return std::nullopt;
    uint64_t value = 0;
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const auto digit = static_cast<uint64_t>(c - '0');
        if (value > (kMax - digit) / 10) return std::nullopt;  // beyond 64 bits: out of range
        value = value * 10 + digit;
    }
    if (value < low || value > high) return std::nullopt;
    return value;
}

std::optional<double> parse_decimal_number(std::string_view text, double low_exclusive,
                                           double high) {
    if (text.empty()) return std::nullopt;
    int points = 0;
    bool digits = false;
    for (const char c : text) {
        if (c == '.') {
            ++points;
        } else if (c >= '0' && c <= '9') {
            digits = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digits || points > 1 || text.front() == '.') return std::nullopt;
    // What is left is plain decimal; from_chars reads it whatever the locale's decimal point.
    double value = 0;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (!(value > low_exclusive && value <= high)) return std::nullopt;
    return value;
}

std::string number_option_error(std::string_view name, std::string_view what,
                                std::string_view text) {
    std::string error(name);
    error.append(" takes ").append(what).append(", not '").append(text).append("'");
    return error;
}

std::string whole_number_range(uint64_t low, uint64_t high) {
    return "a whole number from " + std::to_string(low) + " to " + std::to_string(high);
}

}  // namespace korvel
