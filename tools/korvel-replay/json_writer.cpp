#include "json_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "common/utf8.h"

namespace korvel::replay {

void JsonLine::begin_member(std::string_view name) {
    text_ += text_.empty() ? '{' : ',';
    append_string(text_, name);
    text_ += ':';
}

JsonLine& JsonLine::key(std::string_view name) {
    begin_member(name);
    return *this;
}

JsonLine& JsonLine::str(std::string_view name, std::string_view value) {
    begin_member(name);
    append_string(text_, value);
    return *this;
}

JsonLine& JsonLine::num(std::string_view name, int64_t value) {
    begin_member(name);
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    text_.append(buf, r.ptr);
    return *this;
}

JsonLine& JsonLine::num(std::string_view name, double value) {
    begin_member(name);
    append_double(text_, value);
    return *this;
}

JsonLine& JsonLine::boolean(std::string_view name, bool value) {
    begin_member(name);
    text_ += value ? "true" : "false";
    return *this;
}

JsonLine& JsonLine::raw(std::string_view name, std::string_view json) {
    begin_member(name);
    text_ += json;
    return *this;
}

JsonLine& JsonLine::null(std::string_view name) {
    begin_member(name);
    text_ += "null";
    return *this;
}

std::string JsonLine::take() {
    if (text_.empty()) text_.push_back('{');
    text_.push_back('}');
    std::string out;
    out.swap(text_);
    return out;
}

void JsonLine::append_double(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char buf[32];
    // Line numbers are whole numbers of up to ten digits: print those as integers rather
    // than in the exponent form the shortest general notation would pick (4.32e+08).
    const bool whole = value == std::trunc(value) && std::fabs(value) < 1e15;
    const auto r = whole ? std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed)
                         : std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

// Text is UTF-8 and passes through as it is. A byte that is not part of well-formed UTF-8
// (a file name in another encoding) is written as the escape \u00XX of its value, so the
// line stays valid JSON. Well-formed text never takes that form for the characters U+0080 to
// U+00FF, which pass through as their two UTF-8 bytes, so the escape tells the byte exactly.
void JsonLine::append_string(std::string& out, std::string_view value) {
    out += '"';
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80) {
            const size_t n = utf8_sequence_length(value.substr(i));
            if (n == 0) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", u);
                out += esc;
            } else {
                out.append(value.substr(i, n));
                i += n - 1;
            }
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (u < 0x20) {
                    char esc[8];
                    std::snprintf(esc, sizeof esc, "\\u%04x", u);
                    out += esc;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

}  // namespace korvel::replay
