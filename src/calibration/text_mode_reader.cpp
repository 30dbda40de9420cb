#include "calibration/text_mode_reader.h"

namespace korvel {

size_t TextModeReader::read_piece(char (&buf)[kBufferSize]) {
    size_t n = 0;
    while (n < kBufferSize - 1 && at_ < raw_.size()) {
        char c = raw_[at_++];
        // Text mode delivers CR LF as a single line end; the pair is one character of the piece.
        if (c == '\r' && at_ < raw_.size() && raw_[at_] == '\n') c = raw_[at_++];
        buf[n++] = c;
        if (c == '\n') break;
    }
    buf[n] = '\0';
    return n;
}

}  // namespace korvel
