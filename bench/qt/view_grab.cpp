// The view window's own pixels after some ticks, for comparing pictures across changes to
// the drawing: opens FILE.ab at a start time, shows the view at a client size, runs ticks
// (a number of steps each, 0 for "max", whose pictures depend on the machine's speed), lets the
// window paint and writes what the window shows (a grab of the widget, through its paint) to
// OUT.png. Offscreen unless QT_QPA_PLATFORM says else.
//   korvel_view_grab FILE.ab async|sync WIDTHxHEIGHT HH:MM:SS TICKS STEPS OUT.png
#include <QApplication>
#include <QImage>
#include <cstdio>
#include <string>

#include "commands/open_file.h"
#include "display/qt/playback_controller.h"
#include "display/qt/vorlex_view.h"
#include "io/disk_file_opener.h"
#include "playback/playback_session.h"
#include "playback/view_switch.h"

namespace {

class GrabUser : public korvel::UserInteraction {
  public:
    std::string path;
    int h = 0, m = 0, s = 0;
    bool choose_file(std::string& p, std::string& t) override {
        p = t = path;
        return true;
    }
    bool choose_start_time(int& hh, int& mm, int& ss) override {
        hh = h;
        mm = m;
        ss = s;
        return true;
    }
    void show_message(const std::string&) override {}
    void report_file_error(const std::string& text) override {
        std::fprintf(stderr, "korvel_view_grab: %s\n", text.c_str());
    }
    void add_recent_file(const std::string&) override {}
    void set_title(const std::string&) override {}
    void repaint_views() override {}
    korvel::CivilDate local_today() override { return korvel::CivilDate{2024, 1, 1}; }
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qt(argc, argv);
    int w = 0, h = 0, ticks = 0, steps = 1;
    GrabUser user;
    if (argc != 8 || std::sscanf(argv[3], "%dx%d", &w, &h) != 2 ||
        std::sscanf(argv[4], "%d:%d:%d", &user.h, &user.m, &user.s) != 3 ||
        std::sscanf(argv[5], "%d", &ticks) != 1 || std::sscanf(argv[6], "%d", &steps) != 1) {
        std::fprintf(stderr,
                     "usage: korvel_view_grab FILE.ab async|sync WIDTHxHEIGHT HH:MM:SS TICKS "
                     "STEPS OUT.png\n");
        return 2;
    }
    const bool sync = std::string(argv[2]) == "sync";
    korvel::Player player;
    korvel::PlaybackSession& session = player.session();
    korvel::apply_start_up(session, ".", "");
    korvel::Document doc;
    korvel::DiskFileOpener opener;
    user.path = argv[1];
    korvel::open_file(session, doc, user, opener);
    if (!session.data_file) return 1;
    session.async_view = sync ? 0 : 1;
    session.sync_view = sync ? 1 : 0;
    if (sync) session.view_switch = korvel::kViewSwitchToSync;
    QWidget window;
    korvel::CVorlex_2View view(session, &window);
    korvel::PlaybackController playback(player, doc, view);
    window.resize(w, h);
    view.resize(w, h);
    playback.set_steps_per_tick(steps);
    window.show();
    QApplication::processEvents();
    // Playback runs only inside the ticks run here: the view's own timer, whose ticks would
    // come as the machine's load has it, finds it stopped.
    for (int i = 0; i < ticks; ++i) {
        session.playback_running = 1;
        playback.run_tick();
        session.playback_running = 0;
        QApplication::processEvents();
    }
    const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    return shown.save(QString::fromLocal8Bit(argv[7]), "PNG") ? 0 : 1;
}
