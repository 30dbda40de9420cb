#pragma once

#include <string>

#include "calibration/correction_record.h"
#include "io/file_opener.h"

namespace korvel {

// The name of the correction file: CORRFACT.DAT in the start-up directory, whatever the
// directory's length.
std::string correction_file_path(const std::string& work_dir);

// Looks for CORRFACT.DAT in work_dir and reads its eight lines into record (see
// parse_corrections). A missing file is normal: the record is left as it is. An empty
// work_dir (the start-up directory could not be determined) has no correction file. Raises
// FatalError("Could not open because: " + reason naming the file) for a file that exists but
// cannot be read, and "tables01" .. "tables08" for a file that ends early.
void load_corrections(const std::string& work_dir, CorrectionRecord& record, FileOpener& opener);

// The same on the disk.
void load_corrections(const std::string& work_dir, CorrectionRecord& record);

}  // namespace korvel
