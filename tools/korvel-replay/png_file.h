#pragma once

#include <QImage>
#include <string>

namespace korvel::replay {

// Encodes image as PNG and writes it to path through AtomicOutput: the file appears complete
// or not at all. Returns false with the system's reason in error.
bool write_png_file(const QImage& image, const std::string& path, std::string& error);

}  // namespace korvel::replay
