// Which minutes of the day a recording holds, read back from the index its writer builds.
#include <gtest/gtest.h>

#include <vector>

#include "format/minute_index_builder.h"
#include "format/recorded_minutes.h"
#include "io/memory_source.h"

namespace korvel {
namespace {

TEST(RecordedMinutes, FirstAndLastMinuteWithRecordsOfEitherCamera) {
    const struct {
        std::vector<std::pair<Camera, int>> records;  // each record's camera and minute
        int first, last;                              // -1: none
    } cases[] = {
        {{}, -1, -1},
        {{{Camera::A, 720}, {Camera::B, 720}, {Camera::A, 722}}, 720, 722},
        {{{Camera::B, 600}, {Camera::A, 601}, {Camera::B, 605}}, 600, 605},
        {{{Camera::A, 60}, {Camera::A, 1000}}, 60, 1000},  // a gap of hours
        {{{Camera::A, 0}, {Camera::B, 1439}}, 0, 1439},
    };
    for (const auto& c : cases) {
        MinuteIndexBuilder builder(60000);
        uint32_t offset = 64;
        for (const auto& [camera, minute] : c.records) {
            builder.note_record(camera, minute * 60000.0 + 5, offset);
            offset += 100;
        }
        MemorySource index(builder.finish(offset));
        MinuteTable a{}, b{};
        read_index_tables(index, a, b);
        const std::optional<RecordedMinutes> got = recorded_minutes(a, b);
        EXPECT_EQ(got ? got->first : -1, c.first) << c.last;
        EXPECT_EQ(got ? got->last : -1, c.last) << c.first;
    }
}

}  // namespace
}  // namespace korvel
