#include "support/json_fields.h"

#include <gtest/gtest.h>

namespace korvel::test {
namespace {

class Scanner {
  public:
    explicit Scanner(const std::string& text) : s_(text) {}

    bool at_end() const { return i_ >= s_.size(); }
    char peek() const { return at_end() ? '\0' : s_[i_]; }
    bool take(char c) {
        if (peek() != c) return false;
        ++i_;
        return true;
    }

    // A string with its quotes; escapes are skipped over, not decoded.
    std::optional<std::string> string() {
        const size_t begin = i_;
        if (!take('"')) return std::nullopt;
        while (!at_end()) {
            const char c = s_[i_++];
            if (c == '"') return s_.substr(begin, i_ - begin);
            if (c == '\\') {
                if (at_end()) return std::nullopt;
                ++i_;
            } else if (static_cast<unsigned char>(c) < 0x20) {
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

    // Any value, up to the comma or brace that ends it at this depth.
    std::optional<std::string> value() {
        if (peek() == '"') return string();
        const size_t begin = i_;
        int depth = 0;
        while (!at_end()) {
            const char c = peek();
            if (c == '"') {
                if (!string()) return std::nullopt;
                continue;
            }
            if (c == '{' || c == '[') ++depth;
            if (c == '}' || c == ']') {
                if (depth == 0) break;
                --depth;
            }
            if (c == ',' && depth == 0) break;
            ++i_;
        }
        if (depth != 0 || i_ == begin) return std::nullopt;
        return s_.substr(begin, i_ - begin);
    }

  private:
    const std::string& s_;
    size_t i_ = 0;
};

}  // namespace

std::optional<JsonFields> parse_json_object(const std::string& line) {
    Scanner sc(line);
    JsonFields fields;
    if (!sc.take('{')) return std::nullopt;
    if (sc.take('}')) return sc.at_end() ? std::optional<JsonFields>(fields) : std::nullopt;
    do {
        const auto key = sc.string();
        if (!key || !sc.take(':')) return std::nullopt;
        const auto value = sc.value();
        if (!value) return std::nullopt;
        fields.emplace_back(key->substr(1, key->size() - 2), *value);
    } while (sc.take(','));
    if (!sc.take('}') || !sc.at_end()) return std::nullopt;
    return fields;
}

std::vector<std::string> json_keys(const JsonFields& fields) {
    std::vector<std::string> keys;
    for (const auto& f : fields) keys.push_back(f.first);
    return keys;
}

std::string json_value(const JsonFields& fields, const std::string& key) {
    for (const auto& f : fields)
        if (f.first == key) return f.second;
    ADD_FAILURE() << "no member " << key;
    return "";
}

}  // namespace korvel::test
