#include "error_texts.h"

#include <string_view>

namespace korvel::fuzz {
namespace {

bool starts_with(const std::string& text, std::string_view prefix) {
    return std::string_view(text).substr(0, prefix.size()) == prefix;
}

bool is_chronology_error(const std::string& text) {
    return text == " Assign-queue 1 -> Chronology - Error " ||
           text == " Assign-queue 2 -> Chronology - Error " ||
           text == " Wait-queue V -> Chronology - Error " ||
           text == " Wait-queue W -> Chronology - Error " || text == "neg. time jump in A" ||
           text == "neg. time jump in B";
}

}  // namespace

bool is_record_error(const std::string& text) {
    return text == "mp02" || text == "mp03" || text == "cmpr_n < 0" || text == "mp04" ||
           starts_with(text, "Record at byte offset ");
}

bool is_header_error(const std::string& text) {
    return text == "eval_arg41" || text == "eval_arg42" || text == "eval_arg43" ||
           starts_with(text, "Unknown file header") || starts_with(text, "Unusable file header");
}

bool is_replay_error(const std::string& text) {
    return is_record_error(text) || is_header_error(text) || is_chronology_error(text) ||
           text == "mp71" || text == "pixfil05" ||
           starts_with(text, "Start time outside the index file") ||
           (starts_with(text, "Line rate of ") &&
            text.find("lines/s is below one line a minute") != std::string::npos);
}

}  // namespace korvel::fuzz
