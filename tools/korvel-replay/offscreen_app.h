#pragma once

#include <QGuiApplication>
#include <memory>

namespace korvel::replay {

// The Qt application the pictures are drawn in, on Qt's offscreen platform whatever
// QT_QPA_PLATFORM says: a picture written to a file never needs a display, and a platform
// that can't start (xcb or wayland without a display, a misspelt name) would abort the
// program. Returns nothing when an application already runs.
std::unique_ptr<QGuiApplication> make_offscreen_app();

}  // namespace korvel::replay
