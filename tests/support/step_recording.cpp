#include "support/step_recording.h"

#include <gtest/gtest.h>

#include "common/little_endian.h"
#include "format/minute_index_builder.h"
#include "format/raw_record.h"
#include "support/line_builders.h"
#include "support/record_bytes.h"

namespace korvel::test {
namespace {

constexpr int32_t kJune7th2006 = 1149638400;  // 2006-06-07 00:00:00 UTC

RecordingHeader header_for(double line_rate) {
    RecordingHeader h;
    h.version = 2;
    h.line_rate = line_rate;
    h.half_width = 256;
    h.start_time = kJune7th2006;
    return h;
}

}  // namespace

StepRecording::StepRecording(double line_rate) : writer_(data_, index_, header_for(line_rate)) {}

uint32_t StepRecording::add_lines(int16_t type, double first_y, int count, int x0, int x1) {
    std::vector<LineEntry> lines;
    for (int i = 0; i < count; ++i) lines.push_back(make_line(first_y + i, {{x0, x1}}));
    const uint32_t at = offset();
    const auto before = writer_.stats().camera_records;
    writer_.add_camera_lines(type, lines);
    const auto after = writer_.stats().camera_records;
    // The tests name records by the offsets returned here: one call must be one record.
    EXPECT_EQ((after[0] + after[1]) - (before[0] + before[1]), 1u);
    return at;
}

uint32_t StepRecording::add_empty(int16_t type) {
    const uint32_t at = offset();
    const std::vector<uint8_t> payload = payload_start(0);
    writer_.add_camera_payload(type, 0.0, payload, 0);
    return at;
}

uint32_t StepRecording::add_other(int16_t type) {
    const uint32_t at = offset();
    const std::vector<uint8_t> payload = {1, 2, 3, 4, 5};
    writer_.add_other_record(type, payload);
    return at;
}

void StepRecording::finish() {
    writer_.finish();
}

std::vector<uint8_t> index_at(uint32_t pos_a, uint32_t pos_b) {
    std::vector<uint8_t> bytes(size_t{2} * kIndexMinutes * 4);
    for (size_t m = 0; m < kIndexMinutes; ++m) {
        store_u32(&bytes[4 * m], pos_a);
        store_u32(&bytes[4 * (kIndexMinutes + m)], pos_b);
    }
    return bytes;
}

FourRecords::FourRecords(bool with_others) {
    if (with_others) r.add_other(3);
    a1 = r.add_lines(kCameraARecord, 1000, 4);
    if (with_others) r.add_other(3);
    b1 = r.add_lines(kCameraBRecord, 1100, 4);
    if (with_others) r.add_other(-7);
    a2 = r.add_lines(kCameraARecord, 1200, 4);
    if (with_others) r.add_other(3);
    b2 = r.add_lines(kCameraBRecord, 1300, 4);
    if (with_others) r.add_other(3);
    r.finish();
}

MatchRecording::MatchRecording() {
    b0 = r.add_lines(kCameraBRecord, 900, 4);
    a1 = r.add_lines(kCameraARecord, 1000, 4);
    r.add_lines(kCameraBRecord, 1100, 4);
    r.add_lines(kCameraARecord, 1400, 4);
    r.add_lines(kCameraBRecord, 1500, 4);
    r.finish();
}

}  // namespace korvel::test
