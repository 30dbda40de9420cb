// Decoding camera B's records ahead on a second thread must change nothing a replay reports:
// every event of recordings written by abgen, in every view and at start times inside a
// minute, in a downpour whose particle pool runs full (where the steps must assemble in place
// the records the pool cannot take whole), cut inside a record, and while the file grows.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "codec/line_decoder.h"
#include "commands/headless_player.h"
#include "common/fatal_error.h"
#include "event_printer.h"
#include "format/index_file.h"
#include "format/record_reader.h"
#include "io/disk_file_opener.h"
#include "io/memory_source.h"
#include "playback/decode_ahead.h"
#include "rain_in_memory.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

using test::Written;

Written generate(std::vector<std::string> args) {
    args.insert(args.end(), {"-o", "unused.ab"});  // the recording stays in memory
    return test::generate(parse_abgen_options(args));
}

// Every event of a replay, its fatal text and where it ended, as korvel-replay --events
// prints them. grow_by > 0 plays the first half of the file, then appends the rest grow_by
// bytes at a time between plays, as a recording still being written is followed.
std::string events_of(const Written& w, int hour, int minute, int second, HeadlessView view,
                      bool ahead, size_t grow_by = 0) {
    const test::TempDir dir;
    const std::string path = dir.file("r.ab");
    auto part = [&w](size_t from, size_t to) {
        return std::vector<uint8_t>(w.ab.begin() + static_cast<long>(from),
                                    w.ab.begin() + static_cast<long>(to));
    };
    const size_t first = grow_by > 0 ? w.ab.size() / 2 : w.ab.size();
    test::write_file(path, part(0, first));
    test::write_file(index_file_path(path), w.abh);
    DiskFileOpener opener;
    HeadlessStart start;
    start.path = path;
    start.work_dir = dir.path();
    start.hour = hour;
    start.minute = minute;
    start.second = second;
    start.view = view;
    start.decode_ahead = ahead;
    HeadlessPlayer player(start, opener);

    char* text = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    replay::ReplayObserver events(out, true);
    NullPlaybackView null_view;
    std::string end;
    try {
        player.open();
        if (grow_by > 0) player.player().set_follow(FollowMode::wait_at_end);
        player.play(null_view, &events);
        for (size_t have = first; have < w.ab.size();) {
            const size_t more = std::min(w.ab.size(), have + grow_by);
            test::append_file(path, part(have, more));
            have = more;
            if (have == w.ab.size()) player.player().finish();
            player.length_now();  // the steps see the growth at once
            player.play(null_view, &events);
        }
    } catch (const FatalError& e) {
        end = e.text();
    }
    std::fclose(out);
    std::string all(text, size);
    std::free(text);
    const PlaybackSession& s = player.session();
    return all + end + " steps " + std::to_string(player.steps()) + " at " +
           std::to_string(s.pos_a) + "/" + std::to_string(s.pos_b);
}

TEST(DecodeAhead, EveryEventAsTheStepsAloneReportIt) {
    const Written rain = generate({"--seed", "3", "--start", "06:00:00", "--duration", "90",
                                   "--drops-per-second", "100"});
    const Written downpour = generate({"--seed", "9", "--duration", "4", "--drops-per-second",
                                       "3000"});
    const Written wide = generate({"--seed", "7", "--duration", "20", "--width", "1024",
                                   "--line-rate", "20000"});
    const Written v0 = generate({"--seed", "5", "--duration", "20", "--version", "0"});
    Written cut = rain;
    cut.ab.resize(cut.ab.size() * 2 / 3 + 5);
    struct Case {
        const char* what;
        const Written& w;
        int hour, minute, second;
        HeadlessView view;
        size_t grow_by;
    };
    const std::vector<Case> cases = {
        {"rain, asynchronous", rain, 6, 0, 0, HeadlessView::async, 0},
        {"rain, synchronous from 06:00:40", rain, 6, 0, 40, HeadlessView::sync, 0},
        {"rain, decoding only", rain, 6, 0, 0, HeadlessView::none, 0},
        {"downpour, the pool full", downpour, 0, 0, 0, HeadlessView::async, 0},
        {"downpour, synchronous", downpour, 0, 0, 0, HeadlessView::sync, 0},
        {"1024 pixels, 20000 lines a second", wide, 0, 0, 0, HeadlessView::sync, 0},
        {"version 0", v0, 0, 0, 0, HeadlessView::async, 0},
        {"cut inside a record", cut, 6, 0, 0, HeadlessView::async, 0},
        {"growing", rain, 6, 0, 0, HeadlessView::sync, 4099},
    };
    for (const Case& c : cases) {
        const std::string ahead = events_of(c.w, c.hour, c.minute, c.second, c.view, true,
                                            c.grow_by);
        const std::string alone = events_of(c.w, c.hour, c.minute, c.second, c.view, false,
                                            c.grow_by);
        EXPECT_GT(ahead.size(), 1000u) << c.what;
        EXPECT_TRUE(ahead == alone) << c.what << ": the runs part at byte "
                                    << std::mismatch(ahead.begin(), ahead.end(), alone.begin(),
                                                     alone.end()).first - ahead.begin();
    }
}

// The step's side by hand, its length cut short of what the thread was told (the file
// shrank): every item taken starts at the reader, ends within the step's length and holds
// what decoding the record in place gives; anything else the reader reads in place.
TEST(DecodeAhead, TakesOnlyWhatStartsAtTheReaderAndEndsWithinTheLength) {
    const Written w = generate({"--seed", "4", "--duration", "5", "--version", "2"});
    for (const size_t length : {w.ab.size(), w.ab.size() * 2 / 3 + 3}) {
        MemorySource file(std::vector<uint8_t>(w.ab.begin(), w.ab.begin() + long(length)));
        DecodeAhead ahead(std::make_unique<MemorySource>(w.ab), 2, Camera::B, true);
        ahead.set_limit(w.ab.size());
        RawRecord raw;
        std::vector<LineEntry> lines(kMaxLinesPerRecord);
        int taken = 0;
        for (uint32_t pos = 0; pos < length;) {
            const AheadItem* item = ahead.take(pos, length);
            if (pos == 0) std::this_thread::sleep_for(std::chrono::milliseconds(200));
            if (item != nullptr) {
                ASSERT_EQ(item->from, pos);
                ASSERT_LE(item->next, length);
                ++taken;
            }
            if (item != nullptr && item->kind == AheadKind::passed) {
                pos = item->next;
                continue;
            }
            uint32_t at = item != nullptr ? item->last : pos;
            if (read_record_unless_cut(file, at, raw) != nullptr) break;
            if (item == nullptr) {
                pos = at;
                continue;
            }
            ASSERT_EQ(at, item->next);
            int16_t n = 0;
            if (decode_record(2, raw.payload.data(), raw.cmpr_n, lines.data(), n) == 0) n = 0;
            ASSERT_EQ(item->n, std::max<int16_t>(n, 0)) << "at " << item->last;
            for (int i = 0; i < item->n; ++i) {
                ASSERT_EQ(item->lines[i].y_count, lines[i].y_count);
                ASSERT_EQ(item->lines[i].segment_count, lines[i].segment_count);
            }
            pos = item->next;
        }
        EXPECT_GT(taken, 50) << length;
    }
}

}  // namespace
}  // namespace korvel
