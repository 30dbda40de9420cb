#include "display/status_text.h"

#include <cstddef>
#include <cstring>

#include "display/truncation.h"

namespace korvel {
namespace {

// A row's characters gathered in a fixed buffer and made a string once: the rows are
// formatted hundreds of times a step in the synchronous view, so without printf and without
// a string grown a character at a time. The longest row, a label of 17 characters and a
// group form of at most 10 + 3 * 4 characters, fits the buffer with room to spare.
class RowText {
  public:
    RowText() = default;
    template <size_t N>
    explicit RowText(const char (&label)[N]) : n_(static_cast<int>(N - 1)) {
        std::memcpy(buf_, label, N - 1);
    }
    void put(char c) { buf_[n_++] = c; }
    // v in decimal, zero-padded to at least width digits, as "%0*lu" prints it.
    void number(uint32_t v, int width) {
        char digits[10];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v != 0);
        for (int i = n; i < width; ++i) buf_[n_++] = '0';
        while (n > 0) buf_[n_++] = digits[--n];
    }
    // Each group goes out as an unsigned 32-bit value: "%01lu.%03lu.%03lu.%03lu".
    void groups(uint32_t g1, uint32_t g2, uint32_t g3, uint32_t g4) {
        number(g1, 1);
        for (const uint32_t g : {g2, g3, g4}) {
            put('.');
            number(g, 3);
        }
    }
    void group_digits(double v);
    void group_digits(uint32_t v);
    void time_of_line(double y, double rate);
    std::string str() const { return std::string(buf_, static_cast<size_t>(n_)); }

  private:
    char buf_[64];
    int n_ = 0;
};

uint32_t low32(int64_t v) {
    return static_cast<uint32_t>(static_cast<uint64_t>(v));
}

void RowText::group_digits(double v) {
    const int64_t g1 = trunc_to_int64(v / 1e9);
    const int64_t g2 = trunc_to_int64(v / 1e6 - static_cast<double>(g1) * 1000.0);
    const int64_t g3 = trunc_to_int64(v / 1000.0 - static_cast<double>(g1) * 1e6 -
                                      static_cast<double>(g2) * 1000.0);
    const int64_t g4 = trunc_to_int64(v) % 1000;
    groups(low32(g1), low32(g2), low32(g3), low32(g4));
}

void RowText::group_digits(uint32_t p) {
    const uint32_t g1 = p / 1000000000u;
    const uint32_t g2 = p / 1000000u - g1 * 1000u;
    const uint32_t g3 = p / 1000u - g1 * 1000000u - g2 * 1000u;
    groups(g1, g2, g3, p % 1000u);
}

void RowText::time_of_line(double y, double rate) {
    const uint32_t hours = low32(trunc_to_int64(y / (3600.0 * rate)));
    const uint32_t minutes = low32(trunc_to_int64(y / (60.0 * rate))) % 60u;
    const uint32_t seconds = low32(trunc_to_int64(y / rate)) % 60u;
    const uint32_t millis = low32(trunc_to_int64(y / (rate / 1000.0))) % 1000u;
    // "%02lu:%02lu:%02lu.%03lu"
    number(hours, 2);
    put(':');
    number(minutes, 2);
    put(':');
    number(seconds, 2);
    put('.');
    number(millis, 3);
}

}  // namespace

std::string group_digits(double v) {
    RowText t;
    t.group_digits(v);
    return t.str();
}

std::string group_digits(uint32_t p) {
    RowText t;
    t.group_digits(p);
    return t.str();
}

std::string time_of_line(double y, double rate) {
    RowText t;
    t.time_of_line(y, rate);
    return t.str();
}

std::string line_row(double y) {
    RowText t("line          = ");
    t.group_digits(y);
    return t.str();
}

std::string time_row(double y, double rate) {
    RowText t("time          =  ");
    t.time_of_line(y, rate);
    return t.str();
}

std::string total_lines_row(double total) {
    RowText t("total lines   = ");
    t.group_digits(total);
    return t.str();
}

std::string file_position_row(uint32_t pos) {
    RowText t("file position = ");
    t.group_digits(pos);
    return t.str();
}

int status_font_height(int dpi) {
    return -(dpi * 24 / 72);
}

}  // namespace korvel
