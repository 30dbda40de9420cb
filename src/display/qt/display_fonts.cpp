#include "display/qt/display_fonts.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace korvel {
namespace {

QFont fixed_font(int pixel_size, bool italic) {
    QFont font(display_font_family());
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(std::max(1, pixel_size));
    font.setItalic(italic);
    return font;
}

}  // namespace

QString display_font_family() {
    static const QString family = QFontDatabase::hasFamily(QStringLiteral("Courier New"))
                                      ? QStringLiteral("Courier New")
                                      : QStringLiteral("Liberation Mono");
    return family;
}

QFont status_font(int pixel_height) {
    return fixed_font(pixel_height, false);
}

QFont scale_font(int cell_height) {
    // The cell of a face is a fixed multiple of its em size: measure it once, large.
    static const double cell_per_em = [] {
        constexpr int kReference = 1000;
        const QFontMetricsF m(fixed_font(kReference, true));
        return (m.ascent() + m.descent()) / kReference;
    }();
    return fixed_font(static_cast<int>(std::lround(cell_height / cell_per_em)), true);
}

}  // namespace korvel
