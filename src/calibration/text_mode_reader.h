#pragma once

#include <cstddef>
#include <string_view>

namespace korvel {

// Reads a text file's bytes the way a text-mode stream with a fixed line buffer hands them out:
// CR LF arrives as one "\n" (a lone CR stays a CR), and each read takes one line, or as much of
// it as fits in the buffer. A line longer than the buffer is therefore taken in several pieces,
// and every piece counts as a read of its own.
class TextModeReader {
  public:
    // The buffer of a read, terminator included; a piece holds at most kBufferSize - 1 characters.
    static constexpr size_t kBufferSize = 99;

    explicit TextModeReader(std::string_view raw) : raw_(raw) {}

    // Fills buf with the next piece and a terminating NUL and returns its length (line end
    // included). Returns 0, buf left as an empty string, when the text has ended before the read.
    size_t read_piece(char (&buf)[kBufferSize]);

    // How many raw bytes have been consumed so far.
    size_t consumed() const { return at_; }

  private:
    std::string_view raw_;
    size_t at_ = 0;
};

}  // namespace korvel
