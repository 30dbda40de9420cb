#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace korvel::test {

// The members of one JSON object in the order they stand, each value as its raw text
// (strings with their quotes, nested objects whole). Just enough JSON to check a JSON Lines
// stream's keys, their order and their values without a JSON library.
using JsonFields = std::vector<std::pair<std::string, std::string>>;

// Parses one line holding exactly one object; nullopt for anything else (text before or after
// it, a bad string, unbalanced braces, a missing colon or comma).
std::optional<JsonFields> parse_json_object(const std::string& line);

// The keys alone, in order.
std::vector<std::string> json_keys(const JsonFields& fields);

// The raw value of key; fails the current test and returns "" when there is none.
std::string json_value(const JsonFields& fields, const std::string& key);

}  // namespace korvel::test
