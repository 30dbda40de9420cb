#include "offscreen_app.h"

#include <QString>

namespace korvel::replay {
namespace {

QtMessageHandler g_previous = nullptr;

// Qt warns that XDG_RUNTIME_DIR is not set, which concerns a desktop session, not a picture
// drawn offscreen; everything else is passed on.
void quiet_handler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR"))) return;
    if (g_previous) g_previous(type, context, text);
}

}  // namespace

std::unique_ptr<QGuiApplication> make_offscreen_app() {
    if (QGuiApplication::instance() != nullptr) return nullptr;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (g_previous == nullptr) g_previous = qInstallMessageHandler(quiet_handler);
    static int argc = 1;
    static char name[] = "korvel-replay";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace korvel::replay
