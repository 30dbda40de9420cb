#include <QImage>
#include <QString>
#include <memory>

#include "display/qt/overview/overview_painter.h"
#include "offscreen_app.h"
#include "overview_png.h"
#include "png_file.h"

namespace korvel::replay {

bool write_overview_png(const MinuteStatistics& stats, const std::string& recording_name, int width,
                        int height, const std::string& path, std::string& error) {
    // Text needs the fonts of a GUI application.
    const auto app = make_offscreen_app();
    const QString title = QString::fromStdString(recording_name) + "  particles per minute";
    // The span the viewer's Overview first shows, so that both pictures agree.
    const QImage image = overview_image(stats, title, QSize(width, height), fitted_span(stats));
    return write_png_file(image, path, error);
}

}  // namespace korvel::replay
