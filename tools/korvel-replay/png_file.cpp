#include "png_file.h"

#include <QBuffer>
#include <QByteArray>

#include "atomic_output.h"

namespace korvel::replay {

bool write_png_file(const QImage& image, const std::string& path, std::string& error) {
    // Encoded in memory first: Qt's writer says only that a write failed, not why.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        error = "the picture could not be encoded as PNG";
        return false;
    }
    AtomicOutput file;
    if (!file.open(path, error)) return false;
    file.write(bytes.constData(), static_cast<size_t>(bytes.size()));
    return file.commit(error);
}

}  // namespace korvel::replay
