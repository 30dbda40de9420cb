#include "particles/chronology.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "common/fatal_error.h"
#include "support/fatal_text.h"

namespace korvel {
namespace {

// The text of the FatalError fn raises, or "" when it passes.
template <typename Fn>
std::string error_of(Fn fn) {
    const std::string text = test::fatal_text(fn);
    return text == "<no error>" ? "" : text;
}

class LineOrderTest : public ::testing::Test {
  protected:
    void record(Camera camera, const std::vector<double>& ys) {
        ctx->line_count = static_cast<int16_t>(ys.size());
        for (size_t i = 0; i < ys.size(); ++i) ctx->line_buf[i].y_count = ys[i];
        check_line_order(*ctx, camera);
    }
    std::string error_of_record(Camera camera, const std::vector<double>& ys) {
        return error_of([&] { record(camera, ys); });
    }

    std::unique_ptr<DecodeContext> ctx = std::make_unique<DecodeContext>();
};

TEST_F(LineOrderTest, FirstLineMustLieAboveZero) {
    EXPECT_EQ(error_of_record(Camera::A, {0.0}), "neg. time jump in A");
    EXPECT_EQ(error_of_record(Camera::B, {0.0}), "neg. time jump in B");
    ctx = std::make_unique<DecodeContext>();
    EXPECT_EQ(error_of_record(Camera::A, {1.0}), "");
    EXPECT_EQ(ctx->m_oldA, 1.0);
    EXPECT_EQ(ctx->m_oldB, 0.0);
}

TEST_F(LineOrderTest, LinesRiseStrictlyWithinAndAcrossRecords) {
    EXPECT_EQ(error_of_record(Camera::B, {10, 11, 12.5}), "");
    EXPECT_EQ(error_of_record(Camera::B, {12.5, 13}), "neg. time jump in B");  // equal counts too

    EXPECT_EQ(error_of_record(Camera::A, {3, 4, 4}), "neg. time jump in A");
    EXPECT_EQ(ctx->m_oldA, 4.0);  // the lines before the fault were accepted
}

TEST_F(LineOrderTest, CamerasAreHeldToTheirOwnLastLine) {
    EXPECT_EQ(error_of_record(Camera::A, {7, 8, 9}), "");
    EXPECT_EQ(error_of_record(Camera::B, {1, 2}), "");  // B behind A is fine
    EXPECT_EQ(error_of_record(Camera::A, {5, 6, 7}), "neg. time jump in A");
    EXPECT_EQ(ctx->m_oldA, 9.0);
    EXPECT_EQ(ctx->m_oldB, 2.0);
}

TEST_F(LineOrderTest, NotANumberIsNoRise) {
    EXPECT_EQ(ctx->m_oldA, 0.0);
    EXPECT_EQ(error_of_record(Camera::A, {std::numeric_limits<double>::quiet_NaN()}),
              "neg. time jump in A");
}

// A record decoded ahead arrives marked as rising (each line above the one before), and the
// check then looks at its first line only. Either way the verdict, and the last line kept,
// must be those of the line-by-line check.
TEST_F(LineOrderTest, RecordsKnownToRiseAreJudgedAsLineByLine) {
    const double nine = 9.0;
    struct Case {
        const char* what;
        std::vector<double> next;  // the record after one whose last line is 9
        bool passes;
        double kept;  // m_oldA / m_oldB afterwards
    };
    const Case cases[] = {
        {"starts on the last line", {nine, 10, 11}, false, nine},
        {"starts just above it", {std::nextafter(nine, 10.0), 10, 11}, true, 11},
        {"starts just below it", {std::nextafter(nine, 0.0), 10, 11}, false, nine},
        {"starts well above it", {12, 13}, true, 13},
        {"one line on the last line", {nine}, false, nine},
        {"one line above it", {10}, true, 10},
    };
    for (const Camera camera : {Camera::A, Camera::B}) {
        const std::string fault =
            camera == Camera::A ? "neg. time jump in A" : "neg. time jump in B";
        for (const Case& c : cases) {
            for (const bool rising : {false, true}) {
                SCOPED_TRACE(std::string(c.what) + (rising ? ", rising" : ", line by line") +
                             (camera == Camera::A ? ", camera A" : ", camera B"));
                ctx = std::make_unique<DecodeContext>();
                ASSERT_EQ(error_of_record(camera, {7, 8, nine}), "");
                ctx->lines_rising = rising;
                EXPECT_EQ(error_of_record(camera, c.next), c.passes ? "" : fault);
                EXPECT_EQ(camera == Camera::A ? ctx->m_oldA : ctx->m_oldB, c.kept);
                EXPECT_EQ(camera == Camera::A ? ctx->m_oldB : ctx->m_oldA, 0.0);
            }
        }
    }
}

// Builds a list of particles, oldest first, with the given y_first values.
struct List {
    explicit List(const std::vector<double>& starts) : items(starts.size()) {
        for (size_t i = 0; i < starts.size(); ++i) {
            items[i].y_first = starts[i];
            if (i > 0) {
                items[i].older = &items[i - 1];
                items[i - 1].newer = &items[i];
            }
        }
    }
    const Particle* oldest() const { return items.empty() ? nullptr : &items[0]; }
    std::vector<Particle> items;
};

TEST(QueueOrderTest, EveryParticleIsComparedWithTheOldestOnly) {
    EXPECT_EQ(error_of([] { check_queue_order("Assign-queue", '1', nullptr); }), "");
    List wobbly({10, 12, 11});
    EXPECT_EQ(error_of([&] { check_queue_order("Assign-queue", '1', wobbly.oldest()); }), "");
    List equal({10, 10, 10});
    EXPECT_EQ(error_of([&] { check_queue_order("Wait-queue", 'V', equal.oldest()); }), "");
}

TEST(QueueOrderTest, MessageNamesTheListAndLetter) {
    List falling({10, 12, 9});
    EXPECT_EQ(error_of([&] { check_queue_order("Wait-queue", 'W', falling.oldest()); }),
              " Wait-queue W -> Chronology - Error ");
    EXPECT_EQ(error_of([&] { check_queue_order("Assign-queue", '1', falling.oldest()); }),
              " Assign-queue 1 -> Chronology - Error ");
}

}  // namespace
}  // namespace korvel
