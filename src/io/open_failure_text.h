#pragma once

#include <cstddef>
#include <string>

#include "io/file_opener.h"

namespace korvel {

// Cuts text to at most max_bytes bytes without splitting a UTF-8 sequence, so a long path
// never leaves half a character (the reason texts carry umlauts) at the end of a message.
std::string cut_text(std::string text, size_t max_bytes);

// text itself when it has at most max_bytes bytes; otherwise its beginning and its end
// joined by "...", max_bytes in all, without splitting a UTF-8 sequence.
std::string shorten_middle(const std::string& text, size_t max_bytes);

// "Could not open because: " followed by the reason text for error with path in it, within
// reason_limit bytes for the reason and message_limit bytes for the whole message: the
// message boxes of the viewer take texts of bounded length. A path too long for them is
// shortened in the middle, so the reason's own words always show.
std::string open_failure_text(FileError error, const std::string& path, size_t reason_limit,
                              size_t message_limit);

}  // namespace korvel
