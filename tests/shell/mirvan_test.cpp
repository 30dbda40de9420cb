// mirvan's reading and pictures: every line of a recording, its pages, and damaged input.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "page_picture.h"
#include "scan_lines.h"
#include "support/replay_runner.h"
#include "support/temp_dir.h"

namespace korvel::mirvan {
namespace {

using korvel::test::ProgramRun;
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

TEST(MirvanScanLines, EveryLineOfBothCamerasInRisingOrder) {
    TempDir dir;
    const std::string path = dir.file("m.ab");
    const ProgramRun r = korvel::test::run_program(
        std::string(KORVEL_BIN_DIR) + "/tools/abgen/abgen",
        {"--seed", "11", "--duration", "5", "--width", "256", "-o", path});
    ASSERT_EQ(r.status, 0) << r.err;
    long a = 0, b = 0;
    abgen_line_counts(r.out, a, b);

    const ScanLines scan = load_scan_lines(path, 1'000'000);
    EXPECT_EQ(static_cast<long>(scan.a.size()), a);
    EXPECT_EQ(static_cast<long>(scan.b.size()), b);
    EXPECT_EQ(scan.line_width, 256);
    EXPECT_TRUE(scan.problem.empty());
    for (size_t i = 1; i < scan.a.size(); ++i) ASSERT_LT(scan.a[i - 1].y_count, scan.a[i].y_count);

    // A cut inside the last records keeps what came before and says why it stopped.
    std::vector<uint8_t> bytes = korvel::test::read_file(path);
    bytes.resize(bytes.size() - 7);
    korvel::test::write_file(path, bytes);
    const ScanLines cut = load_scan_lines(path, 1'000'000);
    EXPECT_EQ(cut.problem, "mp04");
    EXPECT_GT(cut.a.size() + cut.b.size(), 0u);
    EXPECT_LT(cut.a.size() + cut.b.size(), scan.a.size() + scan.b.size());

    const ScanLines capped = load_scan_lines(path, 100);
    EXPECT_TRUE(capped.truncated);
    EXPECT_LE(capped.a.size(), 100u);
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

TEST(MirvanPages, LinesInRangeAndPixelsOfAPage) {
    ScanLines scan;
    scan.line_width = 32;
    scan.a = {line(100, {{2, 4}}), line(101, {}), line(105, {{0, 31}}), line(110, {{30, 900}})};
    scan.b = {line(103, {{-5, 1}, {10, 10}})};
    const struct {
        double first, count;
        size_t begin, end;
    } ranges[] = {{0, 100, 0, 0}, {100, 1, 0, 1}, {100, 6, 0, 3}, {101, 10, 1, 4}, {111, 5, 4, 4}};
    for (const auto& r : ranges) {
        const LineRange got = lines_in(scan.a, r.first, r.count);
        EXPECT_EQ(got.begin, r.begin) << r.first;
        EXPECT_EQ(got.end, r.end) << r.first;
    }

    const QImage page = page_picture(scan, 100, 12);
    ASSERT_EQ(page.size(), QSize(2 * 32 + kCameraGap, 12));
    const auto dark = [&](int x, int y) { return qGray(page.pixel(x, y)) < 64; };
    const auto white = [&](int x, int y) { return page.pixel(x, y) == 0xffffffff; };
    EXPECT_TRUE(white(1, 0));
    EXPECT_TRUE(dark(2, 0) && dark(4, 0));
    EXPECT_TRUE(white(5, 0));
    EXPECT_TRUE(white(3, 1));                 // a line with no shadow
    EXPECT_FALSE(white(3, 2) || dark(3, 2));  // no line of camera A at 102
    EXPECT_TRUE(dark(0, 5) && dark(31, 5));
    EXPECT_TRUE(dark(30, 10) && dark(31, 10));  // a run past the edge stops at the edge
    EXPECT_FALSE(dark(32, 10));                 // and never reaches the gap or camera B
    const int b0 = 32 + kCameraGap;
    EXPECT_TRUE(dark(b0 + 0, 3) && dark(b0 + 1, 3) && dark(b0 + 10, 3));
    EXPECT_TRUE(white(b0 + 2, 3));
}

}  // namespace
}  // namespace korvel::mirvan
