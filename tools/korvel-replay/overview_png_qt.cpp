#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <memory>

#include "display/qt/overview/overview_painter.h"
#include "overview_png.h"

namespace korvel::replay {

bool write_overview_png(const MinuteStatistics& stats, const std::string& recording_name, int width,
                        int height, const std::string& path, std::string& error) {
    // Text needs the fonts of a GUI application; the offscreen platform gives them without a
    // display, which a picture written to a file never needs.
    std::unique_ptr<QGuiApplication> app;
    if (QGuiApplication::instance() == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "korvel-replay";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    const QString title = QString::fromStdString(recording_name) + "  particles per minute";
    const QImage image = overview_image(stats, title, QSize(width, height));
    if (!image.save(QString::fromStdString(path), "PNG")) {
        error = "the PNG could not be written";
        return false;
    }
    return true;
}

}  // namespace korvel::replay
