// Which minutes of the day a recording holds, read back from the index its writer builds.
#include <gtest/gtest.h>

#include <utility>
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
        {{{Camera::A, 0}, {Camera::B, 1439}}, 0, 1439},
    };
    for (const auto& c : cases) {
        MinuteIndexBuilder builder(60000);
        uint32_t offset = 64;  // each record 100 bytes after the one before
        for (const auto& [camera, minute] : c.records)
            builder.note_record(camera, minute * 60000.0 + 5, offset += 100);
        MemorySource index(builder.finish(offset + 100));  // past the last record
        MinuteTable a{}, b{};
        read_index_tables(index, a, b);
        const std::optional<RecordedMinutes> got = recorded_minutes(a, b);
        EXPECT_EQ(got ? std::pair(got->first, got->last) : std::pair(-1, -1),
                  std::pair(c.first, c.last));
    }
}

}  // namespace
}  // namespace korvel
