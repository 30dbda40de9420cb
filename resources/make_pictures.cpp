// Draws KORVEL's pictures at build time: the 544 x 272 splash picture and the program icon in
// the sizes the desktop asks for. Usage: make_pictures OUTPUT_DIR
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <cstdio>

namespace {

QPainterPath drop_path(QPointF tip, double radius) {
    // A falling drop: a round body under a pointed top.
    QPainterPath path;
    const QPointF centre(tip.x(), tip.y() + 2.2 * radius);
    path.moveTo(tip);
    path.cubicTo(tip.x() + 0.3 * radius, tip.y() + 0.9 * radius, centre.x() + radius,
                 centre.y() - 0.6 * radius, centre.x() + radius, centre.y());
    path.arcTo(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), 0, -180);
    path.cubicTo(centre.x() - radius, centre.y() - 0.6 * radius, tip.x() - 0.3 * radius,
                 tip.y() + 0.9 * radius, tip.x(), tip.y());
    return path;
}

QImage icon(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    QLinearGradient sky(0, 0, 0, 64);
    sky.setColorAt(0, QColor(24, 52, 110));
    sky.setColorAt(1, QColor(10, 22, 48));
    p.setBrush(sky);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    // The two scan lines of cameras A and B, crossing the drop's path.
    p.setPen(QPen(QColor(255, 80, 60), 3));
    p.drawLine(QPointF(9, 40), QPointF(55, 40));
    p.setPen(QPen(QColor(80, 140, 255), 3));
    p.drawLine(QPointF(9, 48), QPointF(55, 48));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(210, 235, 255));
    p.drawPath(drop_path(QPointF(32, 8), 10));
    return img;
}

QImage splash() {
    QImage img(544, 272, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 272);
    sky.setColorAt(0, QColor(20, 44, 96));
    sky.setColorAt(1, QColor(6, 14, 34));
    p.fillRect(img.rect(), sky);

    // Rain: the same streaks every build.
    QRandomGenerator rng(0x4b4f52);
    for (int i = 0; i < 140; ++i) {
        const double x = rng.bounded(544.0), y = rng.bounded(272.0);
        const double len = 6 + rng.bounded(14.0);
        p.setPen(QPen(QColor(150, 190, 240, 60 + rng.bounded(90)), 1.2));
        p.drawLine(QPointF(x, y), QPointF(x - len * 0.12, y + len));
    }
    // The instrument's two light curtains and the shadows a drop leaves in them.
    p.setPen(QPen(QColor(255, 90, 70), 2));
    p.drawLine(40, 200, 504, 200);
    p.setPen(QPen(QColor(90, 150, 255), 2));
    p.drawLine(40, 214, 504, 214);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(215, 235, 255));
    p.drawPath(drop_path(QPointF(430, 120), 20));
    for (int row = 0; row < 12; ++row) {
        const int half = static_cast<int>(18 * std::sin(3.14159 * (row + 0.5) / 12));
        p.fillRect(QRect(430 - half, 226 + row * 3, 2 * half, 2), QColor(255, 90, 70, 200));
        p.fillRect(QRect(470 - half, 226 + row * 3, 2 * half, 2), QColor(90, 150, 255, 200));
    }

    p.setPen(QColor(235, 242, 255));
    QFont title("Liberation Sans", 54, QFont::Bold);
    title.setLetterSpacing(QFont::AbsoluteSpacing, 6);
    p.setFont(title);
    p.drawText(QRect(40, 36, 400, 80), Qt::AlignLeft | Qt::AlignVCenter, "KORVEL");
    QFont sub("Liberation Sans", 13);
    p.setFont(sub);
    p.drawText(QRect(44, 112, 400, 24), Qt::AlignLeft | Qt::AlignVCenter,
               "T H E   P L U V A R I C");
    p.setPen(QColor(160, 180, 215));
    p.setFont(QFont("Liberation Sans", 9));
    p.drawText(QRect(44, 140, 400, 20), Qt::AlignLeft | Qt::AlignVCenter,
               "Playback of optical disdrometer recordings");
    p.drawText(QRect(44, 244, 300, 20), Qt::AlignLeft | Qt::AlignVCenter, "v.7.01");
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_pictures OUTPUT_DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.filePath("icons"));
    QImage picture = splash();
    // 3780 pixels per metre is 96 dots per inch.
    picture.setDotsPerMeterX(3780);
    picture.setDotsPerMeterY(3780);
    bool ok = picture.save(out.filePath("splash.png"));
    for (int size : {16, 22, 32, 48, 64, 128, 256}) {
        ok = ok && icon(size).save(out.filePath(QString("icons/korvel-%1.png").arg(size)));
    }
    ok = ok && icon(64).save(out.filePath("icons/korvel.png"));
    if (!ok) {
        std::fprintf(stderr, "make_pictures: cannot write to %s\n", argv[1]);
        return 1;
    }
    return 0;
}
