#include "io/open_failure_text.h"

#include "io/file_error_text.h"

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

std::string open_failure_text(FileError error, const std::string& path, size_t reason_limit,
                              size_t message_limit) {
    std::string text = "Could not open because: ";
    text += cut_text(file_error_reason(error, path), reason_limit);
    return cut_text(std::move(text), message_limit);
}

}  // namespace korvel
