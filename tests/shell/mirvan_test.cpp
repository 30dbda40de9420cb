// mirvan: the index of a recording, its pages decoded on demand, damaged and crafted input,
// and what the window shows.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <cstring>

#include "mirvan_window.h"
#include "page_picture.h"
#include "recording_index.h"
#include "support/replay_runner.h"
#include "support/step_recording.h"
#include "support/temp_dir.h"

namespace korvel::mirvan {
namespace {

using korvel::test::ProgramRun;
using korvel::test::StepRecording;
using korvel::test::TempDir;

// abgen says how many lines each camera got: "Camera A: N records, L lines; camera B: ...".
void abgen_line_counts(const std::string& out, long& a, long& b) {
    long ra = 0, rb = 0;
    const size_t at = out.find("Camera A:");
    ASSERT_NE(at, std::string::npos) << out;
    ASSERT_EQ(std::sscanf(out.c_str() + at,
                          "Camera A: %ld records, %ld lines; camera B: %ld records, %ld lines", &ra,
                          &a, &rb, &b),
              4)
        << out;
}

std::string abgen(const TempDir& dir, const std::vector<std::string>& args, long* a = nullptr,
                  long* b = nullptr) {
    const std::string path = dir.file("m.ab");
    std::vector<std::string> all = args;
    all.insert(all.end(), {"-o", path});
    const ProgramRun r =
        korvel::test::run_program(std::string(KORVEL_BIN_DIR) + "/tools/abgen/abgen", all);
    EXPECT_EQ(r.status, 0) << r.err;
    if (a) abgen_line_counts(r.out, *a, *b);
    return path;
}

// Reads the index page by page from its first line to its last: every line once, in rising
// order per camera, however the index was joined.
TEST(MirvanScanLines, EveryLineOfBothCamerasInRisingOrder) {
    TempDir dir;
    long a = 0, b = 0;
    const std::string path =
        abgen(dir, {"--seed", "11", "--duration", "5", "--width", "256"}, &a, &b);
    for (const size_t max_entries : {RecordingIndex::kMaxEntries, size_t{3}}) {
        RecordingIndex index(path, max_entries);
        index.build();
        EXPECT_TRUE(index.complete());
        EXPECT_EQ(index.header().line_width, 256);
        EXPECT_EQ(static_cast<long>(index.line_count(Camera::A)), a);
        EXPECT_EQ(static_cast<long>(index.line_count(Camera::B)), b);
        EXPECT_LE(index.entries().size(), max_entries);
        const LineSpan all = index.lines();
        long seen[2] = {0, 0};
        double last[2] = {-1, -1};
        for (double first = all.first; first <= all.last; first += 7919) {
            const PageRead read = index.read_page(first, 7919, [&](Camera c, const LineEntry& l) {
                EXPECT_GT(l.y_count, last[camera_index(c)]);
                last[camera_index(c)] = l.y_count;
                ++seen[camera_index(c)];
            });
            EXPECT_FALSE(read.partial);
        }
        EXPECT_EQ(seen[0], a) << max_entries;
        EXPECT_EQ(seen[1], b) << max_entries;
    }

    // A cut inside the last records keeps what came before and says why and where it stopped.
    std::vector<uint8_t> bytes = korvel::test::read_file(path);
    bytes.resize(bytes.size() - 7);
    korvel::test::write_file(path, bytes);
    RecordingIndex cut(path);
    cut.build();
    EXPECT_FALSE(cut.complete());
    EXPECT_EQ(cut.problem(), "mp04");
    EXPECT_LT(cut.problem_position(), bytes.size());
    EXPECT_GT(cut.problem_position() + 4 + kPayloadCapacity, bytes.size());
    EXPECT_GT(cut.line_count(Camera::A) + cut.line_count(Camera::B), 0u);
    EXPECT_LT(cut.line_count(Camera::A) + cut.line_count(Camera::B), static_cast<uint64_t>(a + b));
}

std::unique_ptr<MirvanWindow> indexed_window(const std::string& path) {
    auto w = std::make_unique<MirvanWindow>();
    w->resize(900, 600);
    w->show();
    QSignalSpy done(w.get(), &MirvanWindow::indexed);
    EXPECT_TRUE(w->open(QString::fromStdString(path)));
    EXPECT_TRUE(done.wait(20000));
    return w;
}

// Line numbers that leap a day at every record, forth and back, and a long run of empty
// records: the index stays within its bound, each line is found on its own page, and the
// lines behind the empty run are reached without walking it.
TEST(MirvanScanLines, LeapingLineNumbersAndEmptyRuns) {
    TempDir dir;
    StepRecording rec(10000.0);
    const double day = 864e6;
    std::vector<double> firsts;
    for (int i = 0; i < 200; ++i) firsts.push_back((i % 2 ? 1e12 : 0.0) + i * day);
    for (size_t i = 0; i < firsts.size(); ++i) {
        rec.add_lines(i % 3 ? kCameraARecord : kCameraBRecord, firsts[i], 3);
    }
    rec.finish();
    const std::string path = dir.file("leap.ab");
    korvel::test::write_file(path, rec.ab());
    std::vector<uint8_t> tail(4u << 20, 0);  // a pre-allocated tail of empty records
    korvel::test::append_file(path, tail);
    StepRecording last(10000.0);
    last.add_lines(kCameraBRecord, 5e15, 2);
    const std::vector<uint8_t> record(last.ab().begin() + 60, last.ab().end());
    korvel::test::append_file(path, record);

    for (const size_t max_entries : {RecordingIndex::kMaxEntries, size_t{16}}) {
        RecordingIndex index(path, max_entries);
        index.build();
        EXPECT_TRUE(index.complete()) << index.problem();
        EXPECT_LE(index.entries().size(), max_entries);
        EXPECT_EQ(index.lines().last, 5e15 + 1);
        EXPECT_EQ(index.line_count(Camera::A) + index.line_count(Camera::B), 602u);
        for (double y : {firsts[0], firsts[7], firsts[150], 5e15}) {
            uint64_t found = 0;
            index.read_page(y, 3, [&](Camera, const LineEntry& l) { found += l.y_count >= y; });
            EXPECT_EQ(found, y == 5e15 ? 2u : 3u) << y;
        }
        EXPECT_EQ(index.next_lines_from(firsts[199] + 10), 5e15);
        if (max_entries < 100) continue;
        EXPECT_EQ(index.last_line_before(5e15), firsts[199] + 2);
        for (const IndexEntry& e : index.entries()) EXPECT_LT(e.end - e.begin, 1u << 20);
    }

    // A page turn over a stretch without lines lands on the next line there is, and back.
    auto w = indexed_window(path);
    QTest::keyClick(w.get(), Qt::Key_PageDown);
    EXPECT_EQ(w->first_line(), firsts[2]);
    QTest::keyClick(w.get(), Qt::Key_PageUp);
    EXPECT_EQ(w->first_line(), firsts[0]);
    QTest::keyClick(w.get(), Qt::Key_End);
    EXPECT_TRUE(w->status_text().contains("camera B 2 lines")) << w->status_text().toStdString();
}

LineEntry line(double y, std::initializer_list<std::pair<int, int>> runs) {
    LineEntry e;
    e.y_count = y;
    for (const auto& [from, to] : runs) {
        e.segments[static_cast<size_t>(e.segment_count++)] = {static_cast<int16_t>(from),
                                                              static_cast<int16_t>(to)};
    }
    return e;
}

TEST(MirvanPages, PixelsOfAPageAtOneAndSeveralLinesPerRow) {
    const auto dark = [](const QImage& page, int x, int y) { return qGray(page.pixel(x, y)) < 64; };
    const auto white = [](const QImage& page, int x, int y) { return page.pixel(x, y) == ~0u; };
    PagePainter one(32, 100, 12, 1);
    for (const LineEntry& l : {line(100, {{2, 4}}), line(101, {}), line(105, {{0, 31}}),
                               line(110, {{30, 900}}), line(99, {{0, 31}}), line(112, {{0, 31}})}) {
        one.add(Camera::A, l);
    }
    one.add(Camera::B, line(103, {{-5, 1}, {10, 10}}));
    const QImage& page = one.image();
    ASSERT_EQ(page.size(), QSize(2 * 32 + kCameraGap, 12));
    EXPECT_TRUE(white(page, 1, 0) && dark(page, 2, 0) && dark(page, 4, 0) && white(page, 5, 0));
    EXPECT_TRUE(white(page, 3, 1));                       // a line with no shadow
    EXPECT_FALSE(white(page, 3, 2) || dark(page, 3, 2));  // no line of camera A at 102
    EXPECT_TRUE(dark(page, 0, 5) && dark(page, 31, 5));
    EXPECT_TRUE(dark(page, 30, 10) && dark(page, 31, 10));  // a run past the edge stops there
    EXPECT_FALSE(dark(page, 32, 10));                       // and never reaches camera B
    const int b0 = 32 + kCameraGap;
    EXPECT_TRUE(dark(page, b0 + 0, 3) && dark(page, b0 + 1, 3) && dark(page, b0 + 10, 3));
    EXPECT_TRUE(white(page, b0 + 2, 3));

    // Five lines a row: a row shows the shadows of all its lines, whichever came first.
    PagePainter five(32, 100, 3, 5);
    for (const LineEntry& l : {line(101, {{2, 3}}), line(104, {}), line(103, {{20, 21}}),
                               line(110, {}), line(115, {{0, 0}})}) {
        five.add(Camera::A, l);
    }
    const QImage& rows = five.image();
    EXPECT_TRUE(dark(rows, 2, 0) && dark(rows, 21, 0) && white(rows, 10, 0));
    EXPECT_FALSE(white(rows, 0, 1) || dark(rows, 0, 1));   // no line from 105 to 109
    EXPECT_TRUE(white(rows, 0, 2) && white(rows, 20, 2));  // 115 lies past the page
}

TEST(MirvanWindow, HintUntilOpenThenTimesRowsAndTheEnd) {
    MirvanWindow empty;
    empty.show();
    empty.resize(700, 500);
    QApplication::processEvents();
    EXPECT_EQ(empty.status_text(), "Open a recording (Ctrl+O).");

    TempDir dir;
    const std::string path = abgen(dir, {"--start", "12:00:00", "--duration", "120"});
    auto w = indexed_window(path);
    const LineSpan lines = w->index()->lines();
    EXPECT_EQ(w->first_line(), std::floor(lines.first));
    EXPECT_TRUE(w->problem_text().isEmpty());
    const struct {
        const char* time;
        bool accepted;
        double line;
    } times[] = {{"12:01:00", true, 432'600'000},
                 {"12:00:30.25", true, 432'302'500},
                 {"12:0", false, 432'302'500},
                 {"25:00", false, 432'302'500},
                 {"12:01:30,5", true, 432'905'000}};
    for (const auto& t : times) {
        EXPECT_EQ(w->go_to_time(t.time), t.accepted) << t.time;
        EXPECT_EQ(w->first_line(), t.line) << t.time;
    }
    for (int per_row : {1, 200}) {
        w->set_lines_per_row(per_row);
        QTest::keyClick(w.get(), Qt::Key_End);
        const double shown = static_cast<double>(w->page_rows()) * per_row;
        EXPECT_EQ(w->first_line() + shown, std::floor(lines.last) + 1) << per_row;
        EXPECT_TRUE(w->status_text().contains(per_row == 1 ? "1 line per pixel row"
                                                           : "200 lines per pixel row"))
            << w->status_text().toStdString();
    }
}

TEST(MirvanWindow, ADamagedRecordEndsWhatCanBeShownAndSaysSo) {
    TempDir dir;
    const std::string path = abgen(dir, {"--duration", "3"});
    std::vector<uint8_t> bytes = korvel::test::read_file(path);
    bytes.resize(bytes.size() - 3);
    const std::string cut = dir.file("cut.ab");
    korvel::test::write_file(cut, bytes);
    // A file opened while the one before is still being indexed (or has just finished, its
    // signal not yet taken) replaces it: only the new index arrives.
    MirvanWindow w;
    w.show();
    QSignalSpy done(&w, &MirvanWindow::indexed);
    ASSERT_TRUE(w.open(QString::fromStdString(path)));
    QThread::msleep(300);
    ASSERT_TRUE(w.open(QString::fromStdString(cut)));
    ASSERT_TRUE(done.wait(20000));
    QTest::qWait(100);
    EXPECT_EQ(done.count(), 1);
    EXPECT_TRUE(w.problem_text().startsWith("A damaged record at byte "))
        << w.problem_text().toStdString();
    EXPECT_TRUE(w.problem_text().contains("(mp04) ends what can be shown, after 00:00:02."));
}

// mirvan --grab writes the window as PNG: never over the recording or its index (whatever
// the spelling), and only what the user may ask for. --help, --version and a mistyped option
// are answered on the terminal, also with a window system named whose display is missing
// (which aborts a program that opens a window).
TEST(MirvanProgram, GrabRefusesTheRecordingAndWritesAPicture) {
    TempDir dir;
    const std::string path = abgen(dir, {"--duration", "1"});
    ASSERT_EQ(symlink((path + "h").c_str(), dir.file("link.png").c_str()), 0);
    const std::vector<uint8_t> before = korvel::test::read_file(path + "h");
    const std::string mirvan = std::string(KORVEL_BIN_DIR) + "/src/shell/mirvan";
    const auto no_display = [&mirvan](std::vector<std::string> args) {
        args.insert(args.begin(),
                    {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=xcb", mirvan});
        return args;
    };
    const struct {
        std::vector<std::string> args;
        int status;
        std::string says;  // on the standard output if all went well, else on the error output
    } runs[] = {
        {{mirvan, "--grab", path, path}, 2, "is the recording"},
        {{mirvan, "--grab", dir.file("link.png"), path}, 2, "is the recording"},
        {{mirvan, "-l", "3", path}, 2, "--lines-per-row takes 1, 2, 5, 10, 50 or 200, not '3'"},
        {{mirvan, "-l", "+10", path}, 2, "--lines-per-row takes 1, 2, 5, 10, 50 or 200, not '+10'"},
        {{mirvan, "--grab", dir.file("no/such.png"), path}, 1, "No such file or directory"},
        {{mirvan, "--grab", dir.file("page.png"), "-l", "50", path}, 0, ""},
        // A window system named without its display: the grab is drawn offscreen all the same.
        {no_display({"--grab", dir.file("x.png"), path}), 0, ""},
        {no_display({"--help"}), 0, "--lines-per-row <N>"},
        {no_display({"--help-all"}), 0, "Usage: "},
        {no_display({"--version"}), 0, "mirvan " KORVEL_TEST_VERSION},
        {no_display({"-platform", "xcb", "--display=:9", "-v"}), 0, "mirvan "},  // Qt's own
        {no_display({"--bogus"}), 2, "Unknown option 'bogus'.\nUsage: "},
        {no_display({"-l", "x"}), 2, "not 'x'\nUsage: "},
        {no_display({"a.ab", "b.ab"}), 2, "one recording at a time, 2 were named"},
    };
    for (const auto& r : runs) {  // through env(1), which may change the environment first
        const ProgramRun run =
            korvel::test::run_program("/usr/bin/env", r.args, std::chrono::seconds(30));
        EXPECT_EQ(run.status, r.status) << r.args.back() << run.err;
        EXPECT_NE((r.status == 0 ? run.out : run.err).find(r.says), std::string::npos)
            << r.args.back() << run.out << run.err;
    }
    EXPECT_EQ(korvel::test::read_file(path + "h"), before);
    EXPECT_EQ(QImage(QString::fromStdString(dir.file("page.png"))).width(), 1240);
}

// Writes lines of both cameras from each of the given line numbers to path; returns the byte
// offsets of the records.
std::vector<uint32_t> write_steps(const std::string& path, std::initializer_list<double> starts,
                                  int lines) {
    StepRecording rec(10000.0);
    std::vector<uint32_t> offsets;
    for (const double y : starts) {
        offsets.push_back(rec.add_lines(kCameraARecord, y, lines));
        offsets.push_back(rec.add_lines(kCameraBRecord, y + 1, lines));
    }
    rec.finish();
    korvel::test::write_file(path, rec.ab());
    return offsets;
}

// A pause of hours between two stretches of lines in the same stretch of bytes: one
// PageDown passes over it, and one PageUp back.
TEST(MirvanWindow, APageTurnPassesOverAPauseOfHours) {
    TempDir dir;
    const double before = 432e6, after = before + 3 * 3600 * 1e4;  // 12:00 and 15:00
    write_steps(dir.file("pause.ab"), {before, after}, 3);
    auto w = indexed_window(dir.file("pause.ab"));
    QTest::keyClick(w.get(), Qt::Key_PageDown);  // to the last page, which holds 15:00
    EXPECT_GT(w->first_line(), before + 10);
    EXPECT_TRUE(w->status_text().contains("camera A 3 lines, camera B 3 lines"))
        << w->status_text().toStdString();
    QTest::keyClick(w.get(), Qt::Key_PageUp);
    EXPECT_EQ(w->first_line(), before);
}

// A record whose length field is damaged sends reading into its own payload: the message
// names where the damaged record begins, not where reading gave up, on a line of its own that
// the page's words in the status bar never share, in the first window on an 800x600 screen.
TEST(MirvanWindow, ADamagedLengthIsNamedAtItsRecordAndShownApart) {
    TempDir dir;
    const std::string path = dir.file("damaged.ab");
    const uint32_t damaged = write_steps(path, {432e6, 432e6 + 100}, 20).back();
    std::vector<uint8_t> bytes = korvel::test::read_file(path);
    bytes[damaged + 2] = static_cast<uint8_t>(bytes[damaged + 2] - 3);  // three bytes short
    korvel::test::write_file(path, bytes);

    auto w = indexed_window(path);
    w->fit_to_screen();
    QApplication::processEvents();
    EXPECT_EQ(w->size().boundedTo(w->screen()->availableGeometry().size()), w->size());
    EXPECT_TRUE(w->problem_text().startsWith(QString("A damaged record at byte %1 ").arg(damaged)))
        << w->problem_text().toStdString();
    const QLabel* problem = w->problem_label();
    const QLabel* status = w->status_label();
    ASSERT_TRUE(problem->isVisible() && status->isVisible());
    const QRect p(problem->mapTo(w.get(), QPoint()), problem->size());
    EXPECT_FALSE(p.intersects(QRect(status->mapTo(w.get(), QPoint()), status->size())));
    EXPECT_LE(p.right(), w->width());
    // The whole message fits its label's height at that width.
    EXPECT_GE(problem->height(), problem->heightForWidth(problem->width()));
}

}  // namespace
}  // namespace korvel::mirvan
