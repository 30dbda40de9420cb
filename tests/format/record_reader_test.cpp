#include "format/record_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "io/memory_source.h"
#include "support/fatal_text.h"
#include "support/record_bytes.h"

namespace korvel {
namespace {

using test::append_record;
using test::fatal_text;

// Records every read, so a test can tell which bytes the reader asked for.
class LoggingSource : public ByteSource {
  public:
    explicit LoggingSource(std::vector<uint8_t> bytes) : inner_(std::move(bytes)) {}
    size_t read_at(uint64_t offset, uint8_t* dst, size_t n) override {
        reads.emplace_back(offset, n);
        return inner_.read_at(offset, dst, n);
    }
    uint64_t length() override { return inner_.length(); }

    std::vector<std::pair<uint64_t, size_t>> reads;

  private:
    MemorySource inner_;
};

// A huge, mostly empty source: one record head stands at a chosen offset, and zero bytes
// stand everywhere else up to the end. Lets positions near 4 GiB be tested without 4 GiB.
class SparseSource : public ByteSource {
  public:
    SparseSource(uint64_t head_at, int16_t cmpr_n, uint64_t end) : head_at_(head_at), end_(end) {
        std::vector<uint8_t> rec;
        append_record(rec, 1, cmpr_n, {});
        std::memcpy(head_, rec.data(), 4);
    }
    size_t read_at(uint64_t offset, uint8_t* dst, size_t n) override {
        size_t i = 0;
        for (; i < n && offset + i < end_; ++i) {
            const uint64_t at = offset + i;
            dst[i] = at >= head_at_ && at < head_at_ + 4 ? head_[at - head_at_] : 0;
        }
        return i;
    }
    uint64_t length() override { return end_; }

  private:
    uint64_t head_at_, end_;
    uint8_t head_[4];
};

std::vector<uint8_t> bytes_of(size_t n, uint8_t first) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(first + i);
    return v;
}

TEST(RecordReader, WalksAStreamOfEveryRecordKind) {
    std::vector<uint8_t> file = test::header_v0_record(1193, 0);
    append_record(file, kCameraARecord, bytes_of(7, 1));
    append_record(file, kCameraBRecord, bytes_of(300, 9));
    append_record(file, kOtherRecord, bytes_of(2, 5));
    append_record(file, kCameraARecord, {});
    append_record(file, -7, bytes_of(1, 0xEE));
    MemorySource source(file);

    struct Expected {
        int16_t type;
        std::vector<uint8_t> payload;
    };
    const std::vector<Expected> expected = {{0, test::header_v0_payload(1193, 0)},
                                            {kCameraARecord, bytes_of(7, 1)},
                                            {kCameraBRecord, bytes_of(300, 9)},
                                            {kOtherRecord, bytes_of(2, 5)},
                                            {kCameraARecord, {}},
                                            {-7, bytes_of(1, 0xEE)}};
    RawRecord rec;
    uint32_t pos = 0;
    for (const Expected& e : expected) {
        const uint32_t before = pos;
        read_record(source, pos, rec);
        EXPECT_EQ(rec.type, e.type);
        ASSERT_EQ(rec.cmpr_n, static_cast<int16_t>(e.payload.size()));
        EXPECT_TRUE(std::equal(e.payload.begin(), e.payload.end(), rec.payload.begin()));
        EXPECT_EQ(pos, before + 4 + e.payload.size());
    }
    EXPECT_EQ(pos, file.size());
}

TEST(RecordReader, OtherCamerasRecordIsReadInFullByBothReaders) {
    // Camera A's reader passes over the type-2 record; camera B's reader later takes the same
    // record at its own position. Both see the same bytes and end up at the same position.
    std::vector<uint8_t> file;
    append_record(file, kCameraBRecord, bytes_of(40, 3));
    append_record(file, kCameraARecord, bytes_of(12, 100));
    MemorySource source(file);
    RawRecord a, b;
    uint32_t pos_a = 0, pos_b = 0;
    read_record(source, pos_a, a);
    EXPECT_EQ(a.type, kCameraBRecord);
    read_record(source, pos_a, a);
    EXPECT_EQ(a.type, kCameraARecord);
    read_record(source, pos_b, b);
    EXPECT_EQ(b.type, kCameraBRecord);
    EXPECT_EQ(b.cmpr_n, 40);
    EXPECT_EQ(b.payload[39], 42);
    EXPECT_EQ(pos_b, 44u);
}

TEST(RecordReader, EmptyPayloadReadsNothingAndAdvancesByFour) {
    std::vector<uint8_t> file;
    append_record(file, kCameraARecord, {});
    LoggingSource source(file);
    RawRecord rec;
    uint32_t pos = 0;
    read_record(source, pos, rec);
    EXPECT_EQ(pos, 4u);
    EXPECT_EQ(rec.cmpr_n, 0);
    for (const auto& [offset, n] : source.reads) EXPECT_LT(offset, 4u) << "payload was read";
}

TEST(RecordReader, RecordCutAtEveryByteGivesTheRightErrorAndKeepsThePosition) {
    std::vector<uint8_t> full;
    append_record(full, kCameraARecord, bytes_of(5, 0));  // a record before the one cut
    const size_t start = full.size();
    append_record(full, kCameraBRecord, bytes_of(10, 0));
    for (size_t cut = start; cut < full.size(); ++cut) {
        const size_t left = cut - start;
        MemorySource source(std::vector<uint8_t>(full.begin(), full.begin() + cut));
        RawRecord rec;
        uint32_t pos = static_cast<uint32_t>(start);
        const char* want = left < 2 ? "mp02" : left < 4 ? "mp03" : "mp04";
        EXPECT_EQ(fatal_text([&] { read_record(source, pos, rec); }), want) << left;
        EXPECT_EQ(pos, start) << left;
    }
}

TEST(RecordReader, NegativeLengthIsRejectedBeforeAnyPayloadRead) {
    for (int16_t cmpr_n : {int16_t{-1}, int16_t{-32768}}) {
        std::vector<uint8_t> file;
        append_record(file, kCameraARecord, cmpr_n, bytes_of(100, 0));
        LoggingSource source(file);
        RawRecord rec;
        uint32_t pos = 0;
        EXPECT_EQ(fatal_text([&] { read_record(source, pos, rec); }), "cmpr_n < 0");
        EXPECT_EQ(pos, 0u);
        ASSERT_EQ(source.reads.size(), 1u);
        EXPECT_EQ(source.reads[0].first, 0u);
    }
}

TEST(RecordReader, PayloadBeyondTheBufferIsRejectedWithItsOffset) {
    std::vector<uint8_t> file;
    append_record(file, kCameraARecord, bytes_of(3, 0));
    append_record(file, kCameraARecord, 30001, bytes_of(30001, 0));
    LoggingSource source(file);
    RawRecord rec;
    uint32_t pos = 7;
    const std::string text = fatal_text([&] { read_record(source, pos, rec); });
    EXPECT_NE(text.find("30001"), std::string::npos) << text;
    EXPECT_NE(text.find("offset 7"), std::string::npos) << text;
    EXPECT_EQ(pos, 7u);
    EXPECT_EQ(source.reads.size(), 1u);  // nothing was read into the payload buffer

    // A payload that fills the whole buffer is still a valid record.
    std::vector<uint8_t> payload = bytes_of(kPayloadCapacity, 0);
    payload.back() = 0xA5;
    MemorySource full(test::record_bytes(kCameraBRecord, payload));
    pos = 0;
    read_record(full, pos, rec);
    EXPECT_EQ(rec.cmpr_n, kPayloadCapacity);
    EXPECT_EQ(rec.payload.back(), 0xA5);
    EXPECT_EQ(pos, 4u + kPayloadCapacity);
}

TEST(RecordReader, RecordEndingBeyondThirtyTwoBitPositionsIsRejected) {
    constexpr uint64_t kEnd = 0x100000010ull;  // the source reaches past 4 GiB
    // Ends exactly at the last representable position: accepted.
    {
        const uint32_t at = 0xFFFFFFFFu - 14;
        SparseSource source(at, 10, kEnd);
        RawRecord rec;
        uint32_t pos = at;
        read_record(source, pos, rec);
        EXPECT_EQ(pos, 0xFFFFFFFFu);
    }
    // One byte further would wrap round to 0 and replay the file from its start.
    {
        const uint32_t at = 0xFFFFFFFFu - 13;
        SparseSource source(at, 10, kEnd);
        RawRecord rec;
        uint32_t pos = at;
        const std::string text = fatal_text([&] { read_record(source, pos, rec); });
        EXPECT_NE(text.find("4294967282"), std::string::npos) << text;
        EXPECT_EQ(pos, at);
    }
}

TEST(RecordReader, EmptyFileHasNoUsableLength) {
    MemorySource empty({});
    EXPECT_EQ(fatal_text([&] { checked_file_length(empty); }), "mp71");
    MemorySource one(std::vector<uint8_t>(3));
    EXPECT_EQ(checked_file_length(one), 3u);
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

// Where reading one record at a time, as a reader passes over records of another type,
// first meets something other than an empty record (type 0, length 0) starting before
// length: the position pass_empty_records must reach in one go.
uint32_t one_by_one(ByteSource& source, uint32_t pos, uint64_t length) {
    RawRecord rec;
    while (pos < length) {
        uint32_t next = pos;
        try {
            read_record(source, next, rec);
        } catch (const FatalError&) {
            break;
        }
        if (rec.type != 0 || rec.cmpr_n != 0) break;
        pos = next;
    }
    return pos;
}

TEST(EmptyRecordRuns, EndWhereReadingOneByOneWouldStop) {
    struct Case {
        const char* what;
        size_t zeros;     // zero bytes from offset 0
        bool record;      // a camera record after them
        uint64_t length;  // 0: the data's length
    };
    const Case cases[] = {
        {"zeros, then a record", 40, true, 0},
        {"a run that is no whole number of records", 42, true, 0},
        {"zeros to the end", 400, false, 0},
        {"two bytes left at the end", 402, false, 0},
        {"a length inside the run", 400, false, 100},
        {"a length one byte into a record", 400, false, 97},
        {"no empty record at all", 0, true, 0},
        {"a run longer than any piece", 100003, true, 0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes(c.zeros, 0);
        if (c.record) append_record(bytes, 1, 3, {7, 8, 9});
        for (const size_t piece : {4u, 8u, 36u, 30000u}) {
            for (const uint32_t start : {0u, 4u, 6u}) {
                MemorySource source(bytes);
                const uint64_t length = c.length ? c.length : bytes.size();
                std::vector<uint8_t> scratch(piece);
                EXPECT_EQ(pass_empty_records(source, start, length, scratch),
                          one_by_one(source, start, length))
                    << c.what << ", pieces of " << piece << ", from " << start;
            }
        }
    }
}

// Near 4 GiB the run ends before the first record that would end beyond the largest
// position, which read_record then rejects as it always did.
TEST(EmptyRecordRuns, StopBeforeARecordThatEndsBeyondThirtyTwoBitPositions) {
    SparseSource source(0, 0, 0x100000010ull);  // zeros everywhere, even the head
    std::vector<uint8_t> scratch(30000);
    const uint32_t from = 0xFFFFFFFFu - 4000;
    const uint32_t end = pass_empty_records(source, from, source.length(), scratch);
    EXPECT_EQ(end, one_by_one(source, from, source.length()));
    EXPECT_EQ(end, 0xFFFFFFFFu - 4000 + 4000 / 4 * 4);
    RawRecord rec;
    uint32_t pos = end;
    EXPECT_NE(fatal_text([&] { read_record(source, pos, rec); }).find("largest file position"),
              std::string::npos);
}

}  // namespace
}  // namespace korvel
