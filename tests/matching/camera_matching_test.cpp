#include "matching/camera_matching.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <tuple>
#include <vector>

#include "particles/particle_assembly.h"

namespace korvel {
namespace {

Particle make(double y_first, double y_last, int line_count, int max_width) {
    Particle p;
    p.y_first = y_first;
    p.y_last = y_last;
    p.line_count = static_cast<int16_t>(line_count);
    p.max_width = static_cast<int16_t>(max_width);
    return p;
}

TEST(IsPairTest, LineCountsMayDifferByFive) {
    EXPECT_TRUE(is_pair(make(100, 110, 10, 4), make(101, 111, 15, 4)));
    EXPECT_TRUE(is_pair(make(100, 110, 15, 4), make(101, 111, 10, 4)));
    EXPECT_FALSE(is_pair(make(100, 110, 10, 4), make(101, 111, 16, 4)));
    EXPECT_FALSE(is_pair(make(100, 110, 16, 4), make(101, 111, 10, 4)));
}

TEST(IsPairTest, WidthRatioBoundsInSinglePrecision) {
    auto widths = [](int a, int b) {
        return is_pair(make(100, 110, 10, a), make(101, 111, 10, b));
    };
    EXPECT_TRUE(widths(3, 2));       // 1.5
    EXPECT_TRUE(widths(2, 3));       // 0.6666667f exactly at the bound
    EXPECT_TRUE(widths(3, 4));       // 0.75
    EXPECT_FALSE(widths(1, 2));      // 0.5
    EXPECT_FALSE(widths(5, 3));      // 1.67
    EXPECT_FALSE(widths(200, 301));  // just below two thirds
    EXPECT_TRUE(widths(200, 300));
    EXPECT_FALSE(widths(4, 0));  // infinite
    EXPECT_FALSE(widths(0, 0));  // not a number
    EXPECT_FALSE(widths(0, 1));
}

TEST(IsPairTest, BMustLieLaterByWholeLines) {
    const Particle a = make(100, 120, 10, 4);
    EXPECT_FALSE(is_pair(a, make(100, 120, 10, 4)));
    EXPECT_FALSE(is_pair(a, make(100.5, 120.9, 10, 4)));  // each distance cut to 0
    EXPECT_TRUE(is_pair(a, make(101, 120, 10, 4)));
    EXPECT_FALSE(is_pair(a, make(101, 119, 10, 4)));  // 1 - 1
    // Cut toward zero, not down: 2 + trunc(-1.5) = 1 and 1 + trunc(-0.9) = 1.
    EXPECT_TRUE(is_pair(a, make(102, 118.5, 10, 4)));
    EXPECT_TRUE(is_pair(a, make(101.9, 119.1, 10, 4)));
    EXPECT_FALSE(is_pair(a, make(1e300, -1e300, 10, 4)));  // huge distances are no fault
}

// Records every decision; each particle carries its name in x_min.
struct Recorder : MatchSink {
    struct Decision {
        int a, b;
        MatchOutcome outcome;
        bool operator==(const Decision&) const = default;
    };
    void on_match(const Particle* a, const Particle* b, MatchOutcome outcome) override {
        // Told before removal: the particles are still waiting.
        if (a != nullptr) {
            EXPECT_EQ(a->owner, 'V');
        }
        if (b != nullptr) {
            EXPECT_EQ(b->owner, 'W');
        }
        seen.push_back({a ? a->x_min : -1, b ? b->x_min : -1, outcome});
    }
    std::vector<Decision> seen;
};

class MatchTest : public ::testing::Test {
  protected:
    void SetUp() override { init_queues(ctx->queue_a, ctx->queue_b); }

    // Puts a finished particle at the newest end of a wait queue, named by id.
    Particle* wait(CameraQueue& q, int id, double y_first, double y_last, int line_count = 10,
                   int max_width = 4) {
        Particle* p = allocate_particle(*ctx);
        EXPECT_NE(p, nullptr);
        const Particle fields = make(y_first, y_last, line_count, max_width);
        p->y_first = fields.y_first;
        p->y_last = fields.y_last;
        p->line_count = fields.line_count;
        p->max_width = fields.max_width;
        p->x_min = static_cast<int16_t>(id);
        p->owner = q.wait_letter;
        p->older = q.wait_newest;
        if (q.wait_newest != nullptr)
            q.wait_newest->newer = p;
        else
            q.wait_oldest = p;
        q.wait_newest = p;
        return p;
    }
    Particle* wait_a(int id, double y_first, double y_last, int lc = 10, int w = 4) {
        return wait(ctx->queue_a, id, y_first, y_last, lc, w);
    }
    Particle* wait_b(int id, double y_first, double y_last, int lc = 10, int w = 4) {
        return wait(ctx->queue_b, id, y_first, y_last, lc, w);
    }
    static std::vector<int> ids(const Particle* oldest) {
        std::vector<int> out;
        for (const Particle* p = oldest; p != nullptr; p = p->newer) out.push_back(p->x_min);
        return out;
    }

    std::unique_ptr<DecodeContext> ctx = std::make_unique<DecodeContext>();
    Recorder sink;
};

using D = Recorder::Decision;
using O = MatchOutcome;

TEST_F(MatchTest, YoungParticlesWaitForTheWindowToPass) {
    wait_a(1, 700, 710);
    wait_b(2, 701, 711);
    match_cameras(*ctx, 1000, &sink);
    EXPECT_TRUE(sink.seen.empty());
    match_cameras(*ctx, 1050, &sink);
    EXPECT_EQ(sink.seen, (std::vector<D>{{1, 2, O::pair}}));
    EXPECT_EQ(ctx->queue_a.wait_oldest, nullptr);
    EXPECT_EQ(ctx->queue_b.wait_oldest, nullptr);
}

TEST_F(MatchTest, WindowEdgesDecideLateAndEarly) {
    wait_a(1, 700, 710);
    wait_b(2, 1050, 1060, 30);  // in the window at its far edge, but too tall
    match_cameras(*ctx, 5000, &sink);
    EXPECT_EQ(sink.seen, (std::vector<D>{{1, 2, O::reject}}));
    EXPECT_EQ(ids(ctx->queue_a.wait_oldest), std::vector<int>{1});

    wait_b(3, 1050.5, 1060);
    sink.seen.clear();
    match_cameras(*ctx, 5000, &sink);
    EXPECT_EQ(sink.seen, (std::vector<D>{{1, 2, O::reject}, {1, -1, O::drop_a}}));
    EXPECT_EQ(ctx->queue_a.wait_oldest, nullptr);
    EXPECT_EQ(ids(ctx->queue_b.wait_oldest), (std::vector<int>{2, 3}));  // B waits for A

    wait_a(4, 1051, 1060);
    sink.seen.clear();
    match_cameras(*ctx, 5000, &sink);
    EXPECT_EQ(sink.seen, (std::vector<D>{{-1, 2, O::drop_b}, {-1, 3, O::drop_b}}));
}

TEST_F(MatchTest, OldestAFirstTakesTheOldestPassingB) {
    wait_a(1, 100, 110);
    wait_a(2, 105, 115);
    wait_a(3, 900, 910);          // too young for N = 1000
    wait_b(10, 99, 109);          // early for A1: dropped
    wait_b(11, 101, 111, 10, 9);  // in A1's window but too wide; early for A2
    wait_b(12, 102, 112);         // A1's partner
    wait_b(13, 106, 116);         // A2's partner
    wait_b(14, 107, 117);         // not reached
    match_cameras(*ctx, 1000, &sink);
    EXPECT_EQ(sink.seen, (std::vector<D>{{-1, 10, O::drop_b},
                                         {1, 11, O::reject},
                                         {1, 12, O::pair},
                                         {-1, 11, O::drop_b},
                                         {2, 13, O::pair}}));
    EXPECT_EQ(ids(ctx->queue_a.wait_oldest), std::vector<int>{3});
    EXPECT_EQ(ids(ctx->queue_b.wait_oldest), std::vector<int>{14});
    EXPECT_EQ(ctx->queue_b.wait_newest->x_min, 14);
}

TEST_F(MatchTest, AnEmptyQueueOnEitherSideDecidesNothing) {
    wait_a(1, 100, 110);
    match_cameras(*ctx, 1e6, &sink);
    EXPECT_EQ(ids(ctx->queue_a.wait_oldest), std::vector<int>{1});
    remove_waiting(*ctx, ctx->queue_a.wait_oldest, ctx->queue_a);
    wait_b(2, 50, 60);
    match_cameras(*ctx, 1e6, &sink);
    EXPECT_EQ(ids(ctx->queue_b.wait_oldest), std::vector<int>{2});
    EXPECT_TRUE(sink.seen.empty());
}

// A plain second matcher over vectors, written straight from the rules, against which the
// list version is checked on random queues.
struct Plain {
    int id;
    Particle fields;
};

std::vector<D> plain_match(std::vector<Plain>& as, std::vector<Plain>& bs, double n) {
    std::vector<D> seen;
    size_t i = 0;
    while (i < as.size()) {
        if (n - 350.0 < as[i].fields.y_first || bs.empty()) break;
        bool a_gone = false;
        size_t j = 0;
        while (j < bs.size()) {
            const double a = as[i].fields.y_first, b = bs[j].fields.y_first;
            if (b - 350.0 > a) {
                seen.push_back({as[i].id, -1, O::drop_a});
                a_gone = true;
                break;
            }
            if (a > b) {
                seen.push_back({-1, bs[j].id, O::drop_b});
                bs.erase(bs.begin() + static_cast<long>(j));
                continue;
            }
            if (is_pair(as[i].fields, bs[j].fields)) {
                seen.push_back({as[i].id, bs[j].id, O::pair});
                bs.erase(bs.begin() + static_cast<long>(j));
                a_gone = true;
                break;
            }
            seen.push_back({as[i].id, bs[j].id, O::reject});
            ++j;
        }
        if (a_gone) {
            as.erase(as.begin() + static_cast<long>(i));
        } else {
            ++i;
        }
    }
    return seen;
}

TEST_F(MatchTest, MatchesPlainMatcherOnRandomQueues) {
    std::mt19937 rng(77);
    auto uni = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int round = 0; round < 300; ++round) {
        ctx = std::make_unique<DecodeContext>();
        init_queues(ctx->queue_a, ctx->queue_b);
        sink.seen.clear();
        std::vector<Plain> as, bs;
        double ya = 1000, yb = 1000 + uni(-400, 400);
        const int na = uni(0, 140), nb = uni(0, 140);
        for (int k = 0; k < na; ++k) {
            ya += uni(0, 40) + (uni(0, 1) ? 0.5 : 0.0);
            const int lc = uni(2, 20);
            const Particle* p = wait_a(k, ya, ya + lc - 1, lc, uni(0, 8));
            as.push_back({k, *p});
        }
        for (int k = 0; k < nb; ++k) {
            yb += uni(0, 40);
            const int lc = uni(2, 20);
            const Particle* p = wait_b(1000 + k, yb, yb + lc - 1, lc, uni(0, 8));
            bs.push_back({1000 + k, *p});
        }
        const double n = 1000 + uni(0, 6000);
        const auto expected = plain_match(as, bs, n);
        // Without a sink (the asynchronous view) the same particles must be removed.
        const bool quiet = round % 4 == 0;
        match_cameras(*ctx, n, quiet ? nullptr : &sink);
        if (!quiet) {
            ASSERT_EQ(sink.seen, expected) << "round " << round;
        }
        std::vector<int> left_a, left_b;
        for (const Plain& p : as) left_a.push_back(p.id);
        for (const Plain& p : bs) left_b.push_back(p.id);
        ASSERT_EQ(ids(ctx->queue_a.wait_oldest), left_a);
        ASSERT_EQ(ids(ctx->queue_b.wait_oldest), left_b);
    }
}

}  // namespace
}  // namespace korvel
