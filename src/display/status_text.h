#pragma once

#include <cstdint>
#include <string>

namespace korvel {

// A count in groups of three digits, "1.234.567.890": billions (no leading zeros, no upper
// bound), millions, thousands and units. The f64 form truncates toward zero.
std::string group_digits(double v);
std::string group_digits(uint32_t v);

// The time of day of scan line y at rate lines a second, "HH:MM:SS.mmm"; hours do not wrap at
// 24 and take three digits from 100 on.
std::string time_of_line(double y, double rate);

// The status rows' texts, labels padded so that the values line up.
std::string line_row(double y);
std::string time_row(double y, double rate);
std::string total_lines_row(double total);
std::string file_position_row(uint32_t pos);

// The status font's height for a surface of dpi dots per inch: 24 points as a character
// height, which the platform asks for as a negative height (integer division first).
int status_font_height(int dpi);

}  // namespace korvel
