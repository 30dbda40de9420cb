#pragma once

#include <string>

#include "io/file_opener.h"

namespace korvel {

// The reason shown after "Could not open because: " when a file cannot be opened, with the
// path written into it. The texts are the ones the users of the viewer know (in German).
std::string file_error_reason(FileError error, const std::string& path);

}  // namespace korvel
