// mirvan: the still-picture viewer of a recording's scan lines, KORVEL's companion.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QBuffer>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "common/number_text.h"
#include "mirvan_window.h"

namespace {

// Whether the two paths name one file (the same device and inode, whatever the spelling).
bool same_file(const QString& a, const QString& b) {
    struct stat sa {
    }, sb{};
    return stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// Writes all of bytes to fd; false (errno set) when it cannot.
bool write_all(int fd, const QByteArray& bytes) {
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n =
            ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

// Writes the window's picture as PNG. A regular file (or a new one) is written to a
// temporary file beside it and renamed into place once complete, so a failure never leaves
// half a PNG where a good one was; anything else (a device, a pipe) is written to as it is,
// never replaced.
int grab_window(korvel::mirvan::MirvanWindow& window, const QString& out) {
    QApplication::sendPostedEvents();  // the layout follows the texts just set
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    window.grab().toImage().save(&buffer, "PNG");
    const QByteArray target = QFile::encodeName(out);
    struct stat st {};
    const bool in_place = ::stat(target.constData(), &st) == 0 && !S_ISREG(st.st_mode);
    const QByteArray temp = in_place ? target
                                     : QFile::encodeName(QFileInfo(out).absolutePath()) +
                                           "/.mirvan-" + QByteArray::number(getpid()) + ".png";
    const int flags = in_place ? O_WRONLY : O_WRONLY | O_CREAT | O_EXCL;
    const int fd = ::open(temp.constData(), flags | O_CLOEXEC, 0644);
    bool ok = fd >= 0 && write_all(fd, png) && (in_place || ::fsync(fd) == 0);
    int err = ok ? 0 : errno;
    if (fd >= 0 && ::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && !in_place && ::rename(temp.constData(), target.constData()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        std::fprintf(stderr, "mirvan: %s could not be written: %s\n", target.constData(),
                     std::strerror(err));
        if (fd >= 0 && !in_place) ::unlink(temp.constData());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // A grab needs no screen: with no display to talk to, it is drawn offscreen whatever
    // QT_QPA_PLATFORM says (a window system without its display aborts the program).
    const bool grabbing = std::any_of(argv + 1, argv + argc, [](const char* a) {
        return std::strcmp(a, "--grab") == 0 || std::strncmp(a, "--grab=", 7) == 0;
    });
    if (grabbing && std::getenv("DISPLAY") == nullptr &&
        std::getenv("WAYLAND_DISPLAY") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("mirvan");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Shows the scan lines of both cameras of a PLUVARIC recording as still pictures.");
    parser.addHelpOption();
    parser.addPositionalArgument("file", "The recording to show.", "[file.ab]");
    const QCommandLineOption rows({"l", "lines-per-row"},
                                  "Scan lines per picture row: 1, 2, 5, 10, 50 or 200.", "N", "10");
    const QCommandLineOption time({"t", "time"}, "Start at this time of day (hh:mm:ss).", "TIME");
    const QCommandLineOption grab("grab",
                                  "Once the file is indexed, save the window as PNG and end "
                                  "(status 1 when it cannot be written).",
                                  "OUT.png");
    parser.addOptions({rows, time, grab});
    parser.process(app);

    // Digits alone, as every number of our programs (QString::toInt would take " +10").
    const auto number = korvel::parse_whole_number(parser.value(rows).toStdString(), 1, 200);
    const int per_row = number ? static_cast<int>(*number) : 0;
    if (std::find(std::begin(korvel::mirvan::MirvanWindow::kLinesPerRow),
                  std::end(korvel::mirvan::MirvanWindow::kLinesPerRow),
                  per_row) == std::end(korvel::mirvan::MirvanWindow::kLinesPerRow)) {
        const std::string error = korvel::number_option_error(
            "--lines-per-row", "1, 2, 5, 10, 50 or 200", parser.value(rows).toStdString());
        std::fprintf(stderr, "mirvan: %s\n", error.c_str());
        return 2;
    }
    const QStringList files = parser.positionalArguments();
    const QString out = parser.value(grab);
    if (!out.isEmpty() && !files.isEmpty() &&
        (same_file(out, files.first()) || same_file(out, files.first() + "h"))) {
        std::fprintf(stderr, "mirvan: --grab %s is the recording %s or its index\n",
                     QFile::encodeName(out).constData(),
                     QFile::encodeName(files.first()).constData());
        return 2;
    }
    korvel::mirvan::MirvanWindow window;
    if (!out.isEmpty()) {
        window.report_failure = [](const QString& text) {
            std::fprintf(stderr, "mirvan: %s\n", qPrintable(text));
        };
    }
    window.set_lines_per_row(per_row);
    window.show();
    QObject::connect(&window, &korvel::mirvan::MirvanWindow::indexed, &window, [&] {
        if (parser.isSet(time)) window.go_to_time(parser.value(time));
        if (!out.isEmpty()) QApplication::exit(grab_window(window, out));
    });
    if (!files.isEmpty() && !window.open(files.first()) && !out.isEmpty()) return 1;
    if (files.isEmpty() && !out.isEmpty()) {
        QTimer::singleShot(0, &window, [&] { QApplication::exit(grab_window(window, out)); });
    }
    return QApplication::exec();
}
