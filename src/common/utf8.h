#pragma once

#include <cstddef>
#include <string_view>

namespace korvel {

// The length of the well-formed UTF-8 sequence at the start of text, or 0 when text does not
// start with one: no overlong forms, no surrogates (U+D800 to U+DFFF), nothing above
// U+10FFFF, no sequence cut short by the end of text. File names reach us as the bytes the
// system gave; whoever shows or writes them escapes what this does not accept.
size_t utf8_sequence_length(std::string_view text);

}  // namespace korvel
