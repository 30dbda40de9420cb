#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvel::replay {

// Builds one JSON object at a time, keys in the order they are added. Doubles print in the
// shortest form that reads back to the same value; values JSON cannot hold (NaN, infinities,
// which a damaged recording can carry as line numbers) print as null.
class JsonLine {
  public:
    JsonLine& key(std::string_view name);
    JsonLine& str(std::string_view name, std::string_view value);
    JsonLine& num(std::string_view name, int64_t value);
    JsonLine& num(std::string_view name, double value);
    JsonLine& boolean(std::string_view name, bool value);
    JsonLine& raw(std::string_view name, std::string_view json);  // an already-built value
    JsonLine& null(std::string_view name);

    // The finished object, without a line end. Resets the builder.
    std::string take();

    static void append_string(std::string& out, std::string_view value);
    static void append_double(std::string& out, double value);

  private:
    void begin_member(std::string_view name);
    std::string text_;
};

}  // namespace korvel::replay
