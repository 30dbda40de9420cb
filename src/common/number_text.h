#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvel {

// Numbers on the command line of every program are written in decimal digits alone: no
// sign, no blank, no "0x", no exponent, no "inf". Whatever a C library conversion would
// also take (strtod reads "0x10" as 16, from_chars a minus sign) is refused here, so one
// spelling means one value in every tool.

// A whole number of digits alone, from low to high; nullopt for anything else, a value out
// of range included.
std::optional<uint64_t> parse_whole_number(std::string_view text, uint64_t low, uint64_t high);

// Digits with at most one decimal point among or after them ("10", "0.5", "2."), above
// low_exclusive and at most high; nullopt otherwise.
std::optional<double> parse_decimal_number(std::string_view text, double low_exclusive,
                                           double high);

// The one message for a number option's bad value: "NAME takes WHAT, not 'TEXT'".
std::string number_option_error(std::string_view name, std::string_view what,
                                std::string_view text);

// "a whole number from LOW to HIGH", for number_option_error.
std::string whole_number_range(uint64_t low, uint64_t high);

}  // namespace korvel
