#include "io/open_failure_text.h"

#include "io/file_error_text.h"

#include <algorithm>
#include <string_view>

namespace korvel {

std::string cut_text(std::string text, size_t max_bytes) {
    if (text.size() <= max_bytes) return text;
    size_t end = max_bytes;
    // Continuation bytes of a UTF-8 sequence look like 10xxxxxx; back up to the byte that
    // starts the sequence the cut would split.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return text;
}

std::string shorten_middle(const std::string& text, size_t max_bytes) {
    static constexpr std::string_view kGap = "...";
    if (text.size() <= max_bytes) return text;
    if (max_bytes <= kGap.size()) return cut_text(text, max_bytes);
    const size_t keep = max_bytes - kGap.size();
    std::string head = cut_text(text, keep / 2);
    // The tail starts at the beginning of a character, never on a continuation byte.
    size_t tail = text.size() - (keep - keep / 2);
    while (tail < text.size() && (static_cast<unsigned char>(text[tail]) & 0xC0) == 0x80) ++tail;
    return head.append(kGap).append(text, tail, std::string::npos);
}

std::string open_failure_text(FileError error, const std::string& path, size_t reason_limit,
                              size_t message_limit) {
    static constexpr std::string_view kPrefix = "Could not open because: ";
    // The reason is what the user needs: a long path gives up its middle so that the words
    // around it, which say what went wrong, always fit.
    size_t room = reason_limit;
    if (message_limit != std::string::npos) {
        room = std::min(room, message_limit > kPrefix.size() ? message_limit - kPrefix.size() : 0);
    }
    const size_t frame = file_error_reason(error, "").size();
    std::string reason = file_error_reason(error, path);
    if (reason.size() > room && room > frame) {
        reason = file_error_reason(error, shorten_middle(path, room - frame));
    }
    std::string text(kPrefix);
    text += cut_text(std::move(reason), reason_limit);
    return cut_text(std::move(text), message_limit);
}

}  // namespace korvel
