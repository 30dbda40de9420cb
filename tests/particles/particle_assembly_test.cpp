#include "particles/particle_assembly.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "common/fatal_error.h"

namespace korvel {
namespace {

struct Line {
    double y;
    std::vector<Segment> segments;
};

class AssemblyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ctx = std::make_unique<DecodeContext>();
        init_queues(ctx->queue_a, ctx->queue_b);
    }

    void load(const std::vector<Line>& lines) {
        ctx->line_count = static_cast<int16_t>(lines.size());
        for (size_t i = 0; i < lines.size(); ++i) {
            LineEntry& entry = ctx->line_buf[i];
            entry = LineEntry{};
            entry.y_count = lines[i].y;
            entry.segment_count = static_cast<int16_t>(lines[i].segments.size());
            for (size_t k = 0; k < lines[i].segments.size(); ++k)
                entry.segments[k] = lines[i].segments[k];
        }
    }

    // One record of camera A: assemble, then move to the wait queue.
    void record_a(const std::vector<Line>& lines) {
        load(lines);
        assemble_lines(*ctx, ctx->queue_a);
        close_record(*ctx, ctx->queue_a);
    }

    static std::vector<Particle*> walk(Particle* oldest) {
        std::vector<Particle*> out;
        for (Particle* p = oldest; p != nullptr; p = p->newer) out.push_back(p);
        return out;
    }

    int alive() const {
        int n = 0;
        for (const Particle& p : ctx->pool) n += p.owner != 0;
        return n;
    }

    std::unique_ptr<DecodeContext> ctx;
};

TEST_F(AssemblyTest, ConsecutiveOverlappingRunsFormOneWaitingParticle) {
    record_a({{10, {{5, 9}}}, {11, {{5, 9}}}});
    auto waiting = walk(ctx->queue_a.wait_oldest);
    ASSERT_EQ(waiting.size(), 1u);
    const Particle& p = *waiting[0];
    EXPECT_EQ(p.line_count, 2);
    EXPECT_EQ(p.x_min, 5);
    EXPECT_EQ(p.x_max, 9);
    EXPECT_EQ(p.max_width, 4);
    EXPECT_EQ(p.y_first, 10.0);
    EXPECT_EQ(p.y_last, 11.0);
    EXPECT_EQ(p.owner, 'V');
    EXPECT_EQ(ctx->queue_a.assign_oldest, nullptr);
    EXPECT_EQ(ctx->queue_a.assign_newest, nullptr);
}

TEST_F(AssemblyTest, OverlapNeedsTheVeryNextLineAndTouchingCounts) {
    record_a({{10, {{5, 9}}}, {12, {{5, 9}}}});  // a line missing between them
    EXPECT_EQ(ctx->queue_a.wait_oldest, nullptr);

    record_a({{20, {{5, 9}}}, {21, {{9, 12}}}});  // end touches start
    ASSERT_EQ(walk(ctx->queue_a.wait_oldest).size(), 1u);
    EXPECT_EQ(ctx->queue_a.wait_oldest->x_max, 12);

    record_a({{30, {{5, 9}}}, {31, {{10, 12}}}});  // adjacent but not overlapping
    EXPECT_EQ(walk(ctx->queue_a.wait_oldest).size(), 1u);
    EXPECT_EQ(alive(), 1);
}

TEST_F(AssemblyTest, MaxWidthLeavesOutTheFirstRun) {
    record_a({{10, {{0, 20}}}, {11, {{5, 6}}}});
    ASSERT_NE(ctx->queue_a.wait_oldest, nullptr);
    EXPECT_EQ(ctx->queue_a.wait_oldest->max_width, 1);
    EXPECT_EQ(ctx->queue_a.wait_oldest->x_min, 0);
    EXPECT_EQ(ctx->queue_a.wait_oldest->x_max, 20);
}

TEST_F(AssemblyTest, OnePixelWideAndOneLineTallAreDiscarded) {
    record_a({{10, {{7, 7}}}, {11, {{7, 7}}}, {12, {{7, 7}}}});
    record_a({{20, {{0, 30}}}});
    EXPECT_EQ(ctx->queue_a.wait_oldest, nullptr);
    EXPECT_EQ(alive(), 0);
    // A pixel and a two-pixel run below it make a particle two pixels wide, which stays.
    record_a({{30, {{7, 7}}}, {31, {{7, 8}}}});
    EXPECT_EQ(walk(ctx->queue_a.wait_oldest).size(), 1u);
}

TEST_F(AssemblyTest, TwoRunsOfOneLineNeverJoinTheSameParticle) {
    record_a({{10, {{0, 9}}}, {11, {{0, 3}, {6, 9}}}, {12, {{6, 9}}}});
    auto waiting = walk(ctx->queue_a.wait_oldest);
    ASSERT_EQ(waiting.size(), 2u);
    // The left run continued the first particle; the right one started the second.
    EXPECT_EQ(waiting[0]->y_first, 10.0);
    EXPECT_EQ(waiting[0]->line_count, 2);
    EXPECT_EQ(waiting[0]->x_max, 9);
    EXPECT_EQ(waiting[1]->y_first, 11.0);
    EXPECT_EQ(waiting[1]->line_count, 2);
    EXPECT_EQ(waiting[1]->x_min, 6);
}

TEST_F(AssemblyTest, RunTouchingTwoParticlesContinuesTheNewer) {
    record_a({{10, {{0, 4}, {6, 9}}}, {11, {{3, 7}}}, {12, {{3, 7}}}});
    auto waiting = walk(ctx->queue_a.wait_oldest);
    ASSERT_EQ(waiting.size(), 1u);  // the older stopped at one line and was discarded
    EXPECT_EQ(waiting[0]->x_min, 3);
    EXPECT_EQ(waiting[0]->x_max, 9);
    EXPECT_EQ(waiting[0]->line_count, 3);
}

TEST_F(AssemblyTest, SixHundredLinesWaitAndSixHundredOneAreDiscarded) {
    std::vector<Line> lines;
    for (int i = 0; i < 601; ++i) lines.push_back({100.0 + i, {{10, 12}}});
    lines.pop_back();
    record_a(lines);
    ASSERT_NE(ctx->queue_a.wait_oldest, nullptr);
    const Particle& tall = *ctx->queue_a.wait_oldest;
    EXPECT_EQ(tall.line_count, 600);
    EXPECT_EQ(tall.overflow, 0);
    EXPECT_EQ(tall.segments[599].end_x, 12);  // shrunk array still holds every segment

    lines.clear();
    for (int i = 0; i < 601; ++i) lines.push_back({1000.0 + i, {{10, 12}}});
    // The overflowing particle still follows its run, so line 1601 starts nothing new.
    lines.push_back({1601.0, {{11, 11}}});
    lines.push_back({1602.0, {{11, 11}}});
    record_a(lines);
    EXPECT_EQ(walk(ctx->queue_a.wait_oldest).size(), 1u);
    EXPECT_EQ(alive(), 1);
}

TEST_F(AssemblyTest, FullPoolDropsNewRunsButStillExtendsOldOnes) {
    // 299 particles wait in camera B's queue; camera A gets the last entry.
    std::vector<Line> lines;
    for (int i = 0; i < 299; ++i) {
        const double y = 10.0 + 3 * i;
        lines.push_back({y, {{0, 5}}});
        lines.push_back({y + 1, {{0, 5}}});
    }
    load(lines);
    assemble_lines(*ctx, ctx->queue_b);
    close_record(*ctx, ctx->queue_b);
    ASSERT_EQ(alive(), 299);

    record_a({{5000, {{0, 5}}}, {5001, {{0, 5}, {20, 25}}}, {5002, {{0, 5}, {20, 25}}}});
    auto waiting = walk(ctx->queue_a.wait_oldest);
    ASSERT_EQ(waiting.size(), 1u);
    EXPECT_EQ(waiting[0]->line_count, 3);
    EXPECT_EQ(waiting[0]->x_max, 5);
    EXPECT_EQ(alive(), 300);
}

TEST_F(AssemblyTest, CloseRecordAppendsNewParticlesOnTheNewestSide) {
    struct Recorder : WaitSink {
        std::vector<const Particle*> seen;
        void on_wait(Camera, const Particle& p) override { seen.push_back(&p); }
    } sink;
    record_a({{10, {{0, 5}}}, {11, {{0, 5}}}});
    const Particle* first = ctx->queue_a.wait_oldest;
    load({{20, {{0, 5}, {10, 15}}}, {21, {{0, 5}, {10, 15}}}});
    assemble_lines(*ctx, ctx->queue_a);
    close_record(*ctx, ctx->queue_a, &sink);
    auto waiting = walk(ctx->queue_a.wait_oldest);
    ASSERT_EQ(waiting.size(), 3u);
    EXPECT_EQ(waiting[0], first);
    EXPECT_EQ(waiting[1]->x_min, 0);
    EXPECT_EQ(waiting[2]->x_min, 10);
    EXPECT_EQ(ctx->queue_a.wait_newest, waiting[2]);
    EXPECT_EQ(waiting[2]->older, waiting[1]);
    EXPECT_EQ(waiting[1]->older, waiting[0]);
    for (const Particle* p : waiting) EXPECT_EQ(p->owner, 'V');
    // The sink hears of the moved particles only, oldest first.
    EXPECT_EQ(sink.seen, (std::vector<const Particle*>{waiting[1], waiting[2]}));
}

TEST_F(AssemblyTest, CloseRecordChecksBothListsInOrder) {
    // Lines out of order inside a record make an assign queue that falls below its oldest.
    load({{50, {{0, 5}}}, {51, {{0, 5}}}, {40, {{10, 15}}}, {41, {{10, 15}}}});
    assemble_lines(*ctx, ctx->queue_b);
    try {
        close_record(*ctx, ctx->queue_b);
        FAIL() << "no error";
    } catch (const FatalError& e) {
        EXPECT_STREQ(e.text(), " Assign-queue 2 -> Chronology - Error ");
    }

    // A record in order on its own that starts below the waiting particles fails the wait
    // queue's check, after the sink has been told of the move.
    SetUp();
    record_a({{50, {{0, 5}}}, {51, {{0, 5}}}});
    struct Counter : WaitSink {
        int n = 0;
        void on_wait(Camera, const Particle&) override { ++n; }
    } sink;
    load({{40, {{0, 5}}}, {41, {{0, 5}}}});
    assemble_lines(*ctx, ctx->queue_a);
    try {
        close_record(*ctx, ctx->queue_a, &sink);
        FAIL() << "no error";
    } catch (const FatalError& e) {
        EXPECT_STREQ(e.text(), " Wait-queue V -> Chronology - Error ");
    }
    EXPECT_EQ(sink.n, 1);
}

TEST_F(AssemblyTest, RemoveWaitingRelinksEveryPosition) {
    record_a({{10, {{0, 5}, {10, 15}, {20, 25}, {30, 35}}},
              {11, {{0, 5}, {10, 15}, {20, 25}, {30, 35}}}});
    auto w = walk(ctx->queue_a.wait_oldest);
    ASSERT_EQ(w.size(), 4u);
    remove_waiting(*ctx, w[1], ctx->queue_a);  // middle
    remove_waiting(*ctx, w[0], ctx->queue_a);  // oldest
    remove_waiting(*ctx, w[3], ctx->queue_a);  // newest
    ASSERT_EQ(ctx->queue_a.wait_oldest, w[2]);
    EXPECT_EQ(ctx->queue_a.wait_newest, w[2]);
    EXPECT_EQ(w[2]->older, nullptr);
    EXPECT_EQ(w[2]->newer, nullptr);
    remove_waiting(*ctx, w[2], ctx->queue_a);
    EXPECT_EQ(ctx->queue_a.wait_oldest, nullptr);
    EXPECT_EQ(ctx->queue_a.wait_newest, nullptr);
    EXPECT_EQ(alive(), 0);
}

TEST_F(AssemblyTest, PoolSearchRotatesAndFreesTheSegmentArray) {
    Particle* p = allocate_particle(*ctx);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p, &ctx->pool[0]);
    EXPECT_EQ(p->owner, 1);
    ASSERT_NE(p->segments, nullptr);
    p->segments[kMaxParticleLines - 1] = {1, 2};  // full capacity is writable
    free_particle(*ctx, p);
    EXPECT_EQ(p->owner, 0);
    EXPECT_EQ(p->segments, nullptr);
    // The freed entry is not taken again until the search has gone round.
    EXPECT_EQ(allocate_particle(*ctx), &ctx->pool[1]);
    ctx->pool_index = kPoolSize - 1;
    EXPECT_EQ(allocate_particle(*ctx), &ctx->pool[kPoolSize - 1]);
    EXPECT_EQ(allocate_particle(*ctx), &ctx->pool[0]);
    for (int i = 3; i < kPoolSize; ++i) ASSERT_NE(allocate_particle(*ctx), nullptr);
    const int16_t index = ctx->pool_index;
    EXPECT_EQ(allocate_particle(*ctx), nullptr);
    EXPECT_EQ(ctx->pool_index, index);  // the search of a full pool goes once round
    // One entry freed in a full pool is the one the next search finds, wherever it lies.
    free_particle(*ctx, &ctx->pool[7]);
    ctx->pool_index = 250;
    EXPECT_EQ(allocate_particle(*ctx), &ctx->pool[7]);
    EXPECT_EQ(ctx->pool_index, 8);
    EXPECT_EQ(allocate_particle(*ctx), nullptr);
}

TEST_F(AssemblyTest, FreeingForeignMemoryStopsTheProgram) {
    Particle outsider;
    EXPECT_DEATH(free_particle(*ctx, &outsider), "");
    EXPECT_DEATH(free_particle(*ctx, nullptr), "");
}

// A plain second assembly over vectors, written straight from the rules, against which the
// pool-and-list version is checked on random records.
struct PlainParticle {
    double y_first, y_last;
    int x_min, x_max, max_width;
    std::vector<Segment> segments;
    bool overflow = false;
};

std::vector<PlainParticle> plain_assemble(const std::vector<Line>& lines, int free_entries,
                                          int& dropped) {
    std::vector<PlainParticle> made;
    for (const Line& line : lines) {
        for (const Segment& s : line.segments) {
            PlainParticle* hit = nullptr;
            for (size_t i = made.size(); i-- > 0;) {
                PlainParticle& p = made[i];
                if (line.y - p.y_last == 1.0 && s.end_x >= p.segments.back().start_x &&
                    s.start_x <= p.segments.back().end_x) {
                    hit = &p;
                    break;
                }
            }
            if (hit == nullptr) {
                if (static_cast<int>(made.size()) == free_entries) {
                    ++dropped;
                    continue;
                }
                made.push_back({line.y, line.y, s.start_x, s.end_x, 0, {s}});
            } else if (hit->segments.size() == kMaxParticleLines) {
                hit->overflow = true;
                hit->y_last = line.y;
                hit->segments.back() = s;
            } else {
                hit->y_last = line.y;
                hit->x_min = std::min<int>(hit->x_min, s.start_x);
                hit->x_max = std::max<int>(hit->x_max, s.end_x);
                hit->max_width = std::max<int>(hit->max_width, s.end_x - s.start_x);
                hit->segments.push_back(s);
            }
        }
    }
    std::vector<PlainParticle> kept;
    for (auto& p : made)
        if (!p.overflow && p.x_max - p.x_min >= 1 && p.segments.size() >= 2) kept.push_back(p);
    return kept;
}

TEST_F(AssemblyTest, MatchesPlainAssemblyOnRandomRecords) {
    std::mt19937 rng(20240611);
    double y = 1.0;
    int dropped = 0;
    for (int record = 0; record < 200; ++record) {
        std::vector<Line> lines;
        const int n = std::uniform_int_distribution<int>(1, record % 10 == 0 ? 1500 : 200)(rng);
        const int max_x = record % 3 == 0 ? 40 : 500;  // narrow records crowd the runs
        for (int i = 0; i < n; ++i) {
            y += std::uniform_int_distribution<int>(0, 9)(rng) == 0 ? 2.0 : 1.0;
            Line line{y, {}};
            const int count = std::uniform_int_distribution<int>(1, 6)(rng);
            int x = 0;
            for (int k = 0; k < count && x < max_x; ++k) {
                const int s = x + std::uniform_int_distribution<int>(0, max_x / 6)(rng);
                const int e = s + std::uniform_int_distribution<int>(0, max_x / 8)(rng);
                line.segments.push_back({static_cast<int16_t>(s), static_cast<int16_t>(e)});
                x = e + 2;
            }
            lines.push_back(line);
        }
        // Matching would normally drain the wait queue; here it is emptied before each record.
        while (ctx->queue_a.wait_oldest != nullptr)
            remove_waiting(*ctx, ctx->queue_a.wait_oldest, ctx->queue_a);

        auto expected = plain_assemble(lines, kPoolSize, dropped);
        load(lines);
        assemble_lines(*ctx, ctx->queue_a);
        close_record(*ctx, ctx->queue_a);
        auto got = walk(ctx->queue_a.wait_oldest);
        ASSERT_EQ(got.size(), expected.size()) << "record " << record;
        for (size_t i = 0; i < got.size(); ++i) {
            const Particle& p = *got[i];
            const PlainParticle& q = expected[i];
            ASSERT_EQ(p.y_first, q.y_first);
            ASSERT_EQ(p.y_last, q.y_last);
            ASSERT_EQ(p.x_min, q.x_min);
            ASSERT_EQ(p.x_max, q.x_max);
            ASSERT_EQ(p.max_width, q.max_width);
            ASSERT_EQ(p.line_count, static_cast<int>(q.segments.size()));
            for (size_t k = 0; k < q.segments.size(); ++k) {
                ASSERT_EQ(p.segments[k].start_x, q.segments[k].start_x);
                ASSERT_EQ(p.segments[k].end_x, q.segments[k].end_x);
            }
        }
    }
    EXPECT_GT(dropped, 0) << "the records never filled the pool";
}

// The waiting particles' fields as text; hexfloat keeps NaN and rounding apart.
std::string waiting_text(const CameraQueue& queue) {
    std::string out;
    char buf[96];
    for (const Particle* p = queue.wait_oldest; p != nullptr; p = p->newer) {
        std::snprintf(buf, sizeof buf, "%a %a %d %d %d %d|", p->y_first, p->y_last, p->x_min,
                      p->x_max, p->max_width, p->overflow);
        out += buf;
        for (int k = 0; k < p->line_count; ++k)
            out += std::to_string(std::bit_cast<uint32_t>(p->segments[k])) + " ";
    }
    return out;
}

// The merge against the search of the whole queue, on crowded records whose line numbers
// repeat, run backwards, round (near zero, at 2^53), are infinite or NaN, and whose runs
// touch, repeat or come out of order. Records that fail the order check stop alike.
TEST(AssemblyMerge, FindsWhatTheFullSearchFinds) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = HUGE_VAL, big = 0x1p53;
    // Each pattern repeats, shifted by its last number every round.
    // clang-format off
    const std::vector<std::vector<double>> patterns = {
        {0, 1}, {0, 1, 1, 2, 3}, {0, 1, 2, 1, 2, 3, 3}, {-1e-300, 0, 1, 2, 0}, {0, 1, 3, 3},
        {1, 2, 3, nan, 4, 5, 6}, {1, 2, inf, 3, -inf, 4, 5}, {big - 2, big - 1, big, big + 2, 0}};
    // clang-format on
    std::mt19937 rng(21);
    for (const auto& pattern : patterns) {
        const size_t period = pattern.size() - 1;
        std::unique_ptr<DecodeContext> ctx[2] = {std::make_unique<DecodeContext>(),
                                                 std::make_unique<DecodeContext>()};
        for (auto& c : ctx) init_queues(c->queue_a, c->queue_b);
        for (size_t r = 0; r < 12 * 400; ++r) {
            LineEntry& line = ctx[0]->line_buf[r % 400];
            line = LineEntry{};
            line.y_count = pattern[r % period] + pattern.back() * static_cast<double>(r / period);
            const unsigned style = rng() % 4;  // apart, touching, shuffled, all at one pixel
            line.segment_count = static_cast<int16_t>(1 + rng() % 6);
            for (int j = 0, x = 0; j < line.segment_count; ++j) {
                const int s = style == 3 ? 40 : x + static_cast<int>(rng() % 13);
                const int e = style == 3 ? 40 : s + static_cast<int>(rng() % 7);
                line.segments[j] = {static_cast<int16_t>(s), static_cast<int16_t>(e)};
                x = style == 0 ? e + 2 : e;
            }
            if (style == 2)
                std::shuffle(line.segments.begin(), line.segments.begin() + line.segment_count,
                             rng);
            if (r % 400 != 399) continue;
            ctx[1]->line_buf = ctx[0]->line_buf;
            std::string text[2];
            for (int k = 0; k < 2; ++k) {
                ctx[k]->line_count = 400;
                assemble_lines(*ctx[k], ctx[k]->queue_a,
                               k == 0 ? RunSearch::kMerge : RunSearch::kFullSearch);
                try {
                    close_record(*ctx[k], ctx[k]->queue_a);
                } catch (const FatalError& e) {
                    text[k] = e.what();  // the assign queue stays for the next record
                }
                text[k] += waiting_text(ctx[k]->queue_a);
                while (ctx[k]->queue_a.wait_oldest != nullptr)
                    remove_waiting(*ctx[k], ctx[k]->queue_a.wait_oldest, ctx[k]->queue_a);
            }
            ASSERT_EQ(text[0], text[1])
                << "pattern " << &pattern - patterns.data() << ", record " << r / 400;
        }
    }
}

}  // namespace
}  // namespace korvel
