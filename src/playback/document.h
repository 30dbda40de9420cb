#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace korvel {

struct DecodeContext;

// The values of the correction-factor file CORRFACT.DAT, as far as they converted.
// Nothing in the viewer applies them; they are held while a data file is open.
struct CorrectionRecord {
    int16_t line2_value = 0;
    std::array<float, 10> grid{};
    std::array<std::array<float, 10>, 4> rows{};
};

// The one document of the viewer, without the platform's window machinery: the shell's
// document class holds one of these.
struct Document {
    std::string path_name;  // set by Open; the timer runs steps only for a non-empty path
    std::string title;
    DecodeContext* m_pContext = nullptr;  // the session's context of the open file (not owned)
    int m_newFile = 1;  // reset mark: the next playback step starts the file afresh
    CorrectionRecord corrections;
};

}  // namespace korvel
