#include "format/recording_writer.h"

#include <stdexcept>

#include "common/fatal_error.h"
#include "common/little_endian.h"
#include "format/raw_record.h"
#include "format/record_splitter.h"

namespace korvel {

namespace {
// Records are found by u32 offsets, and a reader rejects a record whose end lies beyond
// them, so a recording ends at 4 GiB - 1.
constexpr uint64_t kMaxFileLength = 0xFFFFFFFFull;
}  // namespace

RecordingWriter::RecordingWriter(ByteSink& data, ByteSink& index, const RecordingHeader& header)
    : data_(data), index_(index), header_(header), index_builder_(lines_per_minute(header)) {
    validate_header(header);
    std::vector<uint8_t> record;
    append_header_record(header, record);
    data_.write(record.data(), record.size());
    stats_.bytes = record.size();
}

void RecordingWriter::add_camera_lines(int16_t type, std::span<const LineEntry> lines) {
    RecordSplitter splitter(lines, header_.version);
    while (splitter.next())
        add_camera_payload(type, splitter.first_line(), splitter.payload(), splitter.line_count());
}

void RecordingWriter::add_camera_payload(int16_t type, double first_line,
                                         std::span<const uint8_t> payload, uint64_t line_count) {
    if (type != kCameraARecord && type != kCameraBRecord)
        throw std::invalid_argument("camera records are of type 1 or 2");
    const uint64_t offset = stats_.bytes;
    write_record(type, payload);
    const Camera camera = type == kCameraARecord ? Camera::A : Camera::B;
    index_builder_.note_record(camera, first_line, static_cast<uint32_t>(offset));
    ++stats_.camera_records[camera_index(camera)];
    stats_.camera_lines[camera_index(camera)] += line_count;
}

void RecordingWriter::add_other_record(int16_t type, std::span<const uint8_t> payload) {
    if (type == kCameraARecord || type == kCameraBRecord)
        throw std::invalid_argument("camera records go through add_camera_lines");
    write_record(type, payload);
    ++stats_.other_records;
}

void RecordingWriter::write_record(int16_t type, std::span<const uint8_t> payload) {
    if (finished_) throw std::logic_error("record added after finish");
    if (payload.size() > static_cast<size_t>(kPayloadCapacity))
        throw std::invalid_argument("record payload exceeds 30000 bytes");
    if (stats_.bytes + 4 + payload.size() > kMaxFileLength)
        throw FatalError("recording would exceed 4 GiB, beyond what its 32-bit offsets reach");
    uint8_t head[4];
    store_u16(head, static_cast<uint16_t>(type));
    store_u16(head + 2, static_cast<uint16_t>(payload.size()));
    data_.write(head, sizeof head);
    data_.write(payload.data(), payload.size());
    stats_.bytes += 4 + payload.size();
}

std::vector<uint8_t> RecordingWriter::index_so_far() const {
    MinuteIndexBuilder copy = index_builder_;
    return copy.finish(static_cast<uint32_t>(stats_.bytes));
}

void RecordingWriter::finish() {
    if (finished_) return;
    finished_ = true;
    data_.close();
    const std::vector<uint8_t> tables = index_builder_.finish(static_cast<uint32_t>(stats_.bytes));
    index_.write(tables.data(), tables.size());
    index_.close();
}

}  // namespace korvel
