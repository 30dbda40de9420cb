#pragma once

#include <cstdint>
#include <string>

#include "calibration/correction_record.h"

namespace korvel {

struct DecodeContext;

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
