// Saves a picture of the whole X screen as PNG, for the tests that look at real windows
// under Xvfb, and says how many colours it holds: a painted window has many, a blank screen
// one or two. Usage: korvel_screen_grab OUT.png [MIN_COLOURS]; exits 3 when fewer.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QSet>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: korvel_screen_grab OUT.png [MIN_COLOURS]\n");
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return 1;
    const QImage shot = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    if (!shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) return 1;
    QSet<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 2) {
        const QRgb* row = reinterpret_cast<const QRgb*>(shot.constScanLine(y));
        for (int x = 0; x < shot.width(); x += 2) colours.insert(row[x]);
    }
    std::printf("%lld colours\n", static_cast<long long>(colours.size()));
    const int wanted = argc == 3 ? std::atoi(argv[2]) : 0;
    return colours.size() >= wanted ? 0 : 3;
}
