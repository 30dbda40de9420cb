// mirvan: the still-picture viewer of a recording's scan lines, KORVEL's companion.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mirvan_options.h"
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

namespace {

void name_the_application() {
    QCoreApplication::setApplicationName("mirvan");
    QCoreApplication::setApplicationVersion(KORVEL_VERSION);
}

// Reads the command line before any window system is asked for, so that --help, --version
// and a mistyped option are answered on the terminal also where no display is: the status to
// end with, or -1 when the window is to open.
int read_command_line(int argc, char** argv, korvel::mirvan::MirvanOptions& options) {
    int count = argc;
    const QCoreApplication core(count, argv);
    name_the_application();
    options = korvel::mirvan::parse_mirvan_options(
        korvel::mirvan::without_window_system_options(QCoreApplication::arguments()));
    if (!options.ok) {
        std::fprintf(stderr, "mirvan: %s\n%s", qPrintable(options.error),
                     qPrintable(options.help_text));
        return 2;
    }
    if (options.show_help) {
        std::fputs(qPrintable(options.help_text), stdout);
        return 0;
    }
    if (options.show_version) {
        std::printf("mirvan %s\n", KORVEL_VERSION);
        return 0;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    korvel::mirvan::MirvanOptions options;
    if (const int status = read_command_line(argc, argv, options); status >= 0) return status;
    // A grab needs no screen: with no display to talk to, it is drawn offscreen whatever
    // QT_QPA_PLATFORM says (a window system without its display aborts the program).
    const bool grabbing = !options.grab.isEmpty();
    if (grabbing && std::getenv("DISPLAY") == nullptr &&
        std::getenv("WAYLAND_DISPLAY") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    name_the_application();

    const int per_row = options.lines_per_row;
    const QString out = options.grab;
    const QStringList files = options.file.isEmpty() ? QStringList() : QStringList{options.file};
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
    if (out.isEmpty()) window.fit_to_screen();
    window.show();
    QObject::connect(&window, &korvel::mirvan::MirvanWindow::indexed, &window, [&] {
        if (!options.time.isEmpty()) window.go_to_time(options.time);
        if (!out.isEmpty()) QApplication::exit(grab_window(window, out));
    });
    if (!files.isEmpty() && !window.open(files.first()) && !out.isEmpty()) return 1;
    if (files.isEmpty() && !out.isEmpty()) {
        QTimer::singleShot(0, &window, [&] { QApplication::exit(grab_window(window, out)); });
    }
    return QApplication::exec();
}
