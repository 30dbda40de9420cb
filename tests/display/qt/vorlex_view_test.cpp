// The view widget: playback ticks under the guard, a picture that survives an exposure but
// not a resize, high-DPI pixels, the end of the data, Exit, and no step inside a step.
#include "display/qt/vorlex_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <filesystem>

#include "commands/open_file.h"
#include "io/disk_file_opener.h"
#include "recordings.h"
#include "support/playback_harness.h"

namespace korvel {
namespace {

using test::count_colour;

constexpr QRgb kBg = qRgb(192, 192, 192);

bool all_background(const QImage& img) {
    return count_colour(img, kBg, 0, img.width()) == img.width() * img.height();
}

class VorlexViewTest : public ::testing::Test {
  protected:
    void open(const std::string& path) {
        apply_start_up(session, dir.path(), "");
        user.path = path;
        user.hour = 12;
        open_file(session, doc, user, opener);
        ASSERT_NE(session.open_document, nullptr);
        session.playback_running = 1;
    }
    void show_view() {
        view = std::make_unique<CVorlex_2View>(session, doc, &window);
        window.resize(400, 300);
        view->resize(400, 300);
        window.show();
        QApplication::processEvents();
    }

    test::TempDir dir;
    PlaybackSession session;
    Document doc;
    test::StepUser user;
    DiskFileOpener opener;
    QWidget window;
    std::unique_ptr<CVorlex_2View> view;
};

TEST_F(VorlexViewTest, ThePictureSurvivesAnExposureButNotAResize) {
    open(test::abgen_recording(dir, "rain", 5, 200));
    show_view();
    for (int i = 0; i < 40; ++i) view->run_tick();
    const QImage drawn = view->picture();
    ASSERT_FALSE(all_background(drawn));
    drawn.save("/tmp/dsnap/widget2x.png"); printf("ratio %f size %dx%d\n", view->devicePixelRatioF(), drawn.width(), drawn.height());

    window.hide();
    QApplication::processEvents();
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(view->picture(), drawn);
    // What the window paints is the picture, pixel for pixel.
    EXPECT_EQ(view->grab().toImage().convertToFormat(QImage::Format_RGB32), drawn);

    view->resize(401, 300);
    QApplication::processEvents();
    EXPECT_TRUE(all_background(view->picture()));
}

TEST_F(VorlexViewTest, ThePictureHasTheDevicePixels) {
    open(test::abgen_recording(dir, "rain", 2));
    show_view();
    const qreal ratio = view->devicePixelRatioF();
    const QImage picture = view->picture();
    EXPECT_EQ(picture.devicePixelRatio(), ratio);
    EXPECT_EQ(picture.size(), QSize(qRound(400 * ratio), qRound(300 * ratio)));
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == "2") {
        EXPECT_EQ(ratio, 2.0);
    }
}

TEST_F(VorlexViewTest, TicksRunStepsOnlyWhileTheyMay) {
    open(test::abgen_recording(dir, "rain", 2));
    show_view();
    int ticks = 0;
    QObject::connect(view.get(), &CVorlex_2View::stepped, [&] { ++ticks; });
    session.playback_running = 0;
    view->run_tick();
    EXPECT_EQ(ticks, 0);
    session.playback_running = 1;
    const uint32_t before = session.pos_a;
    view->run_tick();
    EXPECT_EQ(ticks, 1);
    EXPECT_GT(session.pos_a, before);
    view->set_steps_per_tick(3);
    EXPECT_EQ(view->steps_per_tick(), 3);
}

TEST_F(VorlexViewTest, EndOfFileIsToldOncePerFile) {
    open(test::abgen_recording(dir, "rain", 2));
    show_view();
    view->set_steps_per_tick(0);
    int ends = 0;
    QObject::connect(view.get(), &CVorlex_2View::endOfFile, [&] { ++ends; });
    for (int i = 0; i < 50 && ends == 0; ++i) view->run_tick();
    EXPECT_EQ(ends, 1);
    view->run_tick();
    view->run_tick();
    EXPECT_EQ(ends, 1);
}

TEST_F(VorlexViewTest, NoStepStartsWhileAFatalTextIsShown) {
    // A recording cut inside its last record: the step that reaches it raises a fatal text.
    const std::string path = test::abgen_recording(dir, "cut", 2);
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 3);
    open(path);
    show_view();
    view->set_steps_per_tick(0);
    std::string shown;
    int steps_while_shown = 0;
    QObject::connect(view.get(), &CVorlex_2View::fatalError, [&](const QString& text) {
        shown = text.toStdString();
        // A message box would run an event loop here, with ticks coming in.
        int inner = 0;
        auto count = QObject::connect(view.get(), &CVorlex_2View::stepped, [&] { ++inner; });
        const uint32_t a = session.pos_a, b = session.pos_b;
        view->run_tick();
        QObject::disconnect(count);
        steps_while_shown = inner + (session.pos_a != a || session.pos_b != b ? 1 : 0);
    });
    for (int i = 0; i < 50 && shown.empty(); ++i) view->run_tick();
    EXPECT_EQ(shown, "mp04");
    EXPECT_EQ(steps_while_shown, 0);
}

TEST_F(VorlexViewTest, ExitClosesTheFilesAndTheMainWindow) {
    open(test::abgen_recording(dir, "rain", 2));
    show_view();
    ASSERT_TRUE(window.isVisible());
    view->exit_command();
    EXPECT_EQ(session.data_file, nullptr);
    EXPECT_EQ(session.index_file, nullptr);
    EXPECT_FALSE(window.isVisible());
    const uint32_t pos = session.pos_a;
    view->run_tick();  // no data file: no step
    EXPECT_EQ(session.pos_a, pos);
}

}  // namespace
}  // namespace korvel
