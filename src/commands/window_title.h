#pragma once

#include <string>

#include "format/header_reader.h"

namespace korvel {

// The main window's title: the recording's name and a date, in the fixed layout
// "PLUVARIC   KORVEL   <name>   yyyy/mm/dd   ".
std::string window_title(const std::string& name, const CivilDate& date);

// The name a data file shows in the title: its file name without the folder and without the
// last three characters (the ".ab" extension). A name shorter than that shows as empty.
std::string title_name(const std::string& path);

}  // namespace korvel
