// The view widget: a picture that survives an exposure but not a resize, in device pixels;
// no step inside a step.
#include "display/qt/vorlex_view.h"
#include "display/qt/playback_controller.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QBackingStore>
#include <filesystem>

#include "commands/open_file.h"
#include "io/disk_file_opener.h"
#include "recordings.h"
#include "support/playback_harness.h"

namespace korvel {
namespace {

class VorlexViewTest : public ::testing::Test {
  protected:
    void show(const std::string& path, bool sync = false) {
        apply_start_up(session, dir.path(), "");
        session.async_view = sync ? 0 : 1;
        session.sync_view = sync ? 1 : 0;
        user.path = path;
        user.hour = 12;
        open_file(session, doc, user, opener);
        session.playback_running = 1;
        view = std::make_unique<CVorlex_2View>(session, &window);
        playback = std::make_unique<PlaybackController>(player, doc, *view);
        window.resize(400, 300);
        view->resize(400, 300);
        window.show();
        QApplication::processEvents();
    }
    int background_pixels() const {
        const QImage img = view->picture();
        return test::count_colour(img, qRgb(192, 192, 192), 0, img.width());
    }

    test::TempDir dir;
    Player player;
    PlaybackSession& session = player.session();
    Document doc;
    test::StepUser user;
    DiskFileOpener opener;
    QWidget window;
    std::unique_ptr<CVorlex_2View> view;
    std::unique_ptr<PlaybackController> playback;
};

TEST_F(VorlexViewTest, ThePictureSurvivesAnExposureButNotAResize) {
    show(test::abgen_recording(dir, "rain", 5, 200));
    for (int i = 0; i < 40; ++i) playback->run_tick();
    // Paused, so that no timer tick draws between the picture taken and the one compared.
    session.playback_running = 0;
    const QImage drawn = view->picture();
    const qreal ratio = view->devicePixelRatioF();
    EXPECT_EQ(drawn.devicePixelRatio(), ratio);
    EXPECT_EQ(drawn.size(), QSize(qRound(400 * ratio), qRound(300 * ratio)));
    ASSERT_LT(background_pixels(), drawn.width() * drawn.height());

    window.hide();
    QApplication::processEvents();
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(view->picture(), drawn);
    EXPECT_EQ(view->grab().toImage().convertToFormat(QImage::Format_RGB32), drawn);

    view->resize(401, 300);
    QApplication::processEvents();
    EXPECT_EQ(background_pixels(), view->picture().width() * view->picture().height());
}

// The window repaints only what a tick changed, straight from the canvas's store: after
// many ticks of such repaints, with the ring of rows turned round, what the window's own
// pixels show is the picture.
class VorlexViewRepaintTest : public VorlexViewTest, public ::testing::WithParamInterface<bool> {};

TEST_P(VorlexViewRepaintTest, TheWindowShowsThePictureAfterTicksOfPartialRepaints) {
    show(test::abgen_recording(dir, "rain", 5, 200), GetParam());
    for (int i = 0; i < 60; ++i) {
        playback->run_tick();
        QApplication::processEvents();
    }
    session.playback_running = 0;
    QApplication::processEvents();
    const QImage picture = view->picture();
    // The window's backing store, whose pixels the platform puts on the screen.
    const auto* store = dynamic_cast<const QImage*>(window.backingStore()->paintDevice());
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(store->size(), picture.size());
    EXPECT_TRUE(store->convertToFormat(QImage::Format_RGB32) == picture);
    EXPECT_LT(background_pixels(), picture.width() * picture.height());
}

INSTANTIATE_TEST_SUITE_P(BothViews, VorlexViewRepaintTest, ::testing::Bool());

// At "max" the ticks follow one another straight on while there are steps to run, and go
// back to the 200 ms timer at the end: a recording played out must not keep the processor
// busy with ticks that find nothing to do.
TEST_F(VorlexViewTest, MaxSpeedRunsTicksBackToBackUntilTheEndOnly) {
    show(test::abgen_recording(dir, "long", 4800, 200));
    playback->set_steps_per_tick(0);
    int ticks = 0;
    bool ended = false;
    QElapsedTimer clock;
    QObject::connect(playback.get(), &PlaybackController::stepped, [&] {
        if (ticks++ == 0) clock.start();
    });
    QObject::connect(playback.get(), &PlaybackController::endOfFile, [&] { ended = true; });
    QElapsedTimer limit;
    limit.start();
    while (!ended && limit.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    ASSERT_TRUE(ended);
    // A tick steps for up to 150 ms: 200 ms apart, fewer ticks would have come.
    EXPECT_GT(ticks - 1, clock.elapsed() / 200 + 1) << clock.elapsed() << " ms";
    const int at_end = ticks;
    clock.restart();
    while (clock.elapsed() < 700)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_LE(ticks - at_end, 4);
}

TEST_F(VorlexViewTest, NoStepStartsWhileAFatalTextIsShown) {
    // A recording cut inside its last record: the step that reaches it raises "mp04".
    const std::string path = test::abgen_recording(dir, "cut", 2);
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 3);
    show(path);
    playback->set_steps_per_tick(0);
    std::string shown;
    bool in_box = false, stepped_inside = false;
    QObject::connect(playback.get(), &PlaybackController::stepped,
                     [&] { stepped_inside |= in_box; });
    QObject::connect(playback.get(), &PlaybackController::fatalError, [&](const QString& text) {
        stepped_inside |= in_box;  // a second fatal text from a step inside the first box
        if (in_box) return;
        shown = text.toStdString();
        // A message box runs an event loop here, and ticks keep coming.
        in_box = true;
        const uint32_t a = session.pos_a, b = session.pos_b;
        playback->run_tick();
        stepped_inside |= session.pos_a != a || session.pos_b != b;
        in_box = false;
    });
    for (int i = 0; i < 50 && shown.empty(); ++i) playback->run_tick();
    EXPECT_EQ(shown, "mp04");
    EXPECT_FALSE(stepped_inside);
}

}  // namespace
}  // namespace korvel
