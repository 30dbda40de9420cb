#include "format/recording_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "common/fatal_error.h"
#include "format/header_reader.h"
#include "format/raw_record.h"
#include "io/file_sink.h"
#include "io/memory_source.h"
#include "io/vector_sink.h"
#include "support/line_builders.h"
#include "support/recording_readback.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

using test::describe;
using test::make_line;

RecordingHeader header_of_version(int16_t version) {
    RecordingHeader h;
    h.version = version;
    h.rate_divisor = 1193;  // 1000 lines/s
    h.line_rate = 2500.0;
    h.half_width = 300;
    h.start_time = 991872000;  // 2001-06-07 00:00:00 UTC
    return h;
}

struct Written {
    std::vector<uint8_t> ab;
    std::vector<uint8_t> abh;
};

template <typename F>
Written write_with(const RecordingHeader& header, F&& add) {
    VectorSink data;
    VectorSink index;
    RecordingWriter writer(data, index, header);
    add(writer);
    writer.finish();
    return {data.take(), index.take()};
}

std::vector<LineEntry> slice(const std::vector<LineEntry>& v, size_t from, size_t to) {
    return {v.begin() + static_cast<long>(from), v.begin() + static_cast<long>(to)};
}

class RecordingWriterVersions : public testing::TestWithParam<int> {};

// Interleaved cameras and a type-3 record come back exactly as given, and the header reads
// back with the values written.
TEST_P(RecordingWriterVersions, ReadsBackThroughReaderAndDecoder) {
    const auto version = static_cast<int16_t>(GetParam());
    std::mt19937 rng(7u + static_cast<unsigned>(version));
    test::RandomLineShape shape;
    shape.count = 900;
    shape.max_coordinate = version == 2 ? 599 : 511;
    shape.first_y = 3600000.0;
    const std::vector<LineEntry> a = test::random_lines(rng, shape);
    shape.first_y = 3600150.0;
    const std::vector<LineEntry> b = test::random_lines(rng, shape);
    const std::vector<uint8_t> other = {9, 8, 7, 6, 5};

    const Written w = write_with(header_of_version(version), [&](RecordingWriter& writer) {
        writer.add_camera_lines(kCameraARecord, slice(a, 0, 300));
        writer.add_camera_lines(kCameraBRecord, slice(b, 0, 500));
        writer.add_other_record(kOtherRecord, other);
        writer.add_camera_lines(kCameraARecord, slice(a, 300, 900));
        writer.add_other_record(kOtherRecord, {});
        writer.add_camera_lines(kCameraBRecord, slice(b, 500, 900));
        EXPECT_EQ(writer.stats().camera_lines[0], 900u);
        EXPECT_EQ(writer.stats().camera_records[1], 2u);
    });

    MemorySource source(w.ab);
    HeaderArea area;
    const HeaderInfo info = read_header(source, area);
    EXPECT_EQ(info.header_version, version);
    EXPECT_EQ(info.line_rate, version == 0 ? 1000.0 : 2500.0);
    EXPECT_EQ(info.line_width, version == 2 ? 600 : 512);
    EXPECT_EQ(info.start_time, 991872000);

    const auto records = test::read_all_records(w.ab);
    ASSERT_EQ(records.size(), 7u);
    const int16_t expected_types[] = {0, 1, 2, 3, 1, 3, 2};
    for (size_t i = 0; i < records.size(); ++i) EXPECT_EQ(records[i].type, expected_types[i]);
    EXPECT_EQ(records[0].payload.size(), version == 0 ? 38u : version == 1 ? 54u : 56u);
    EXPECT_EQ(records[3].payload, other);
    EXPECT_TRUE(records[5].payload.empty());
    EXPECT_EQ(describe(test::camera_lines(records, kCameraARecord, version)), describe(a));
    EXPECT_EQ(describe(test::camera_lines(records, kCameraBRecord, version)), describe(b));
}

INSTANTIATE_TEST_SUITE_P(AllHeaderVersions, RecordingWriterVersions, testing::Values(0, 1, 2));

// Table entry m names the first record of its camera whose first line lies in minute m or
// later; entries after a camera's last record hold the file length.
TEST(RecordingWriter, IndexPointsAtFirstRecordOfEachMinute) {
    RecordingHeader h = header_of_version(2);
    h.line_rate = 10.5;  // floor(10.5 x 60) = 630 lines per minute
    std::vector<uint32_t> offset;
    const Written w = write_with(h, [&](RecordingWriter& writer) {
        auto add = [&](int16_t type, double y) {
            offset.push_back(static_cast<uint32_t>(writer.stats().bytes));
            writer.add_camera_lines(type, std::vector<LineEntry>{make_line(y, {{10, 20}})});
        };
        add(kCameraARecord, 629);           // A0: minute 0 (its last line)
        add(kCameraBRecord, 1260);          // B1: minute 2
        add(kCameraARecord, 1890);          // A2: minute 3
        add(kCameraARecord, 1900);          // A3: minute 3 as well; never named
        add(kCameraBRecord, 1261);          // B4: minute 2 again; never named
        add(kCameraARecord, 630.0 * 1441);  // A5: the last entry
        add(kCameraBRecord, 630.0 * 5000);  // B6: beyond the day, still the next B record
    });
    const uint32_t length = static_cast<uint32_t>(w.ab.size());
    const auto t = test::read_index(w.abh);
    ASSERT_EQ(t[0].size(), 1442u);
    EXPECT_EQ(t[0][0], offset[0]);
    EXPECT_EQ(t[0][1], offset[2]);
    EXPECT_EQ(t[0][3], offset[2]);
    EXPECT_EQ(t[0][4], offset[5]);
    EXPECT_EQ(t[0][1441], offset[5]);
    EXPECT_EQ(t[1][0], offset[1]);
    EXPECT_EQ(t[1][2], offset[1]);
    EXPECT_EQ(t[1][3], offset[6]);
    EXPECT_EQ(t[1][1441], offset[6]);
    EXPECT_NE(t[1][1441], length);

    // Without camera records every entry is the file length: the header record alone.
    const Written empty = write_with(header_of_version(0), [](RecordingWriter&) {});
    const auto e = test::read_index(empty.abh);
    for (const auto& table : e)
        for (uint32_t entry : table) ASSERT_EQ(entry, empty.ab.size());
}

// The minute unit is that of the header's own rate: version 0 truncates 1193180 / divisor.
TEST(RecordingWriter, IndexMinutesFollowTheTruncatedVersion0Rate) {
    RecordingHeader h = header_of_version(0);
    h.rate_divisor = 119;  // 1193180 / 119 = 10026.7, a reader takes 10026: 601560 a minute
    std::vector<uint32_t> offset;
    const Written w = write_with(h, [&](RecordingWriter& writer) {
        for (double y : {601559.0, 601560.0}) {
            offset.push_back(static_cast<uint32_t>(writer.stats().bytes));
            writer.add_camera_lines(kCameraARecord, std::vector<LineEntry>{make_line(y, {{1, 2}})});
        }
    });
    const auto t = test::read_index(w.abh);
    EXPECT_EQ(t[0][0], offset[0]);
    EXPECT_EQ(t[0][1], offset[1]);
    EXPECT_EQ(t[0][2], w.ab.size());
    EXPECT_EQ(t[1][0], w.ab.size());
}

// Too many lines, or too many bytes, for one record: the lines are spread over several
// records, each within the reader's limits, and nothing is lost.
TEST(RecordingWriter, SplitsOversizeRecords) {
    std::mt19937 rng(99);
    test::RandomLineShape many;
    many.count = 4500;
    many.repeat_chance = 0.9;  // small lines: the line limit cuts first
    test::RandomLineShape dense;
    dense.count = 1999;
    dense.repeat_chance = 0.0;
    dense.skip_chance = 0.9;  // a block per line: about 40 bytes each, far over 30000
    dense.first_y = 1e6;
    const auto a = test::random_lines(rng, many);
    const auto b = test::random_lines(rng, dense);
    const Written w = write_with(header_of_version(2), [&](RecordingWriter& writer) {
        writer.add_camera_lines(kCameraARecord, a);
        writer.add_camera_lines(kCameraBRecord, b);
    });
    const auto records = test::read_all_records(w.ab);
    size_t a_records = 0;
    size_t b_records = 0;
    for (size_t i = 1; i < records.size(); ++i) {
        EXPECT_LE(records[i].payload.size(), static_cast<size_t>(kPayloadCapacity));
        EXPECT_LE(test::decode_whole(records[i].payload, 2).size(), 2000u);
        (records[i].type == kCameraARecord ? a_records : b_records)++;
    }
    EXPECT_EQ(a_records, 3u);
    EXPECT_GE(b_records, 2u);
    EXPECT_EQ(describe(test::camera_lines(records, kCameraARecord, 2)), describe(a));
    EXPECT_EQ(describe(test::camera_lines(records, kCameraBRecord, 2)), describe(b));
}

TEST(RecordingWriter, RejectsWhatNoReaderCouldUse) {
    VectorSink data;
    VectorSink index;
    RecordingHeader h = header_of_version(3);
    EXPECT_THROW(RecordingWriter(data, index, h), std::invalid_argument);
    h = header_of_version(0);
    h.rate_divisor = 0;
    EXPECT_THROW(RecordingWriter(data, index, h), std::invalid_argument);
    h = header_of_version(1);
    h.line_rate = 0.01;  // not one line a minute
    EXPECT_THROW(RecordingWriter(data, index, h), std::invalid_argument);

    RecordingWriter writer(data, index, header_of_version(2));
    const std::vector<uint8_t> big(kPayloadCapacity + 1);
    EXPECT_THROW(writer.add_other_record(kOtherRecord, big), std::invalid_argument);
    EXPECT_THROW(writer.add_other_record(kCameraARecord, {}), std::invalid_argument);
    writer.finish();
    EXPECT_THROW(writer.add_other_record(kOtherRecord, {}), std::logic_error);
}

// Counts bytes and forgets them, to reach the 4 GiB limit without storing anything.
class CountingSink : public ByteSink {
  public:
    void write(const uint8_t*, size_t n) override { count += n; }
    void close() override {}
    uint64_t count = 0;
};

TEST(RecordingWriter, StopsBeforeOffsetsLeave32Bits) {
    CountingSink data;
    CountingSink index;
    RecordingWriter writer(data, index, header_of_version(2));
    const std::vector<uint8_t> payload(kPayloadCapacity);
    bool stopped = false;
    for (int i = 0; i < 150000 && !stopped; ++i) {
        try {
            writer.add_other_record(kOtherRecord, payload);
        } catch (const FatalError&) {
            stopped = true;
        }
    }
    ASSERT_TRUE(stopped);
    EXPECT_LE(data.count, 0xFFFFFFFFull);
    EXPECT_GT(data.count + 4 + kPayloadCapacity, 0xFFFFFFFFull);
}

std::vector<uint8_t> file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A file gets the same bytes as memory, and an existing file is replaced only when asked.
TEST(RecordingWriter, FileSinkWritesTheSameBytesAndKeepsExistingFiles) {
    const test::TempDir dir;
    const std::string ab = dir.file("korvel_writer_test.ab");
    const std::string abh = index_file_path(ab);
    EXPECT_EQ(index_file_path("/d/0607.ab"), "/d/0607.abh");
    EXPECT_EQ(index_file_path("/d/0607.AB"), "/d/0607.abh");
    EXPECT_EQ(index_file_path("/dev/stdin"), "/dev/stdin.abh");  // only an .ab gives way
    const std::vector<LineEntry> lines = {make_line(5000, {{105, 108}}), make_line(5001, {{1, 2}})};
    auto add = [&](RecordingWriter& writer) { writer.add_camera_lines(kCameraARecord, lines); };
    const Written in_memory = write_with(header_of_version(1), add);
    {
        FileSink data(ab, FileSink::Existing::keep);
        FileSink index(abh, FileSink::Existing::keep);
        RecordingWriter writer(data, index, header_of_version(1));
        add(writer);
        writer.finish();
    }
    EXPECT_EQ(file_bytes(ab), in_memory.ab);
    EXPECT_EQ(file_bytes(abh), in_memory.abh);

    EXPECT_THROW(FileSink(ab, FileSink::Existing::keep), FatalError);
    EXPECT_EQ(file_bytes(ab), in_memory.ab);
    {
        FileSink again(ab, FileSink::Existing::overwrite);
        const uint8_t byte = 1;
        again.write(&byte, 1);
        again.close();
    }
    EXPECT_EQ(file_bytes(ab).size(), 1u);
    std::remove(ab.c_str());
    std::remove(abh.c_str());
}

}  // namespace
}  // namespace korvel
