#include "support/recording_readback.h"

#include <gtest/gtest.h>

#include <memory>

#include "codec/line_decoder.h"
#include "common/little_endian.h"
#include "format/raw_record.h"
#include "format/record_reader.h"
#include "io/memory_source.h"
#include "particles/decode_context.h"

namespace korvel::test {

std::vector<ReadRecord> read_all_records(const std::vector<uint8_t>& ab) {
    MemorySource source(ab);
    auto rec = std::make_unique<RawRecord>();
    std::vector<ReadRecord> out;
    uint32_t pos = 0;
    while (pos < ab.size()) {
        ReadRecord r;
        r.offset = pos;
        read_record(source, pos, *rec);
        r.type = rec->type;
        r.payload.assign(rec->payload.begin(), rec->payload.begin() + rec->cmpr_n);
        out.push_back(std::move(r));
    }
    return out;
}

std::vector<LineEntry> decode_whole(const std::vector<uint8_t>& payload, int16_t version) {
    auto ctx = std::make_unique<DecodeContext>();
    int16_t count = 0;
    const int result = decode_record(version, payload.data(), static_cast<int>(payload.size()),
                                     ctx->line_buf.data(), count);
    EXPECT_EQ(result, 1);
    EXPECT_GE(payload.size(), 2u);
    if (result != 1 || payload.size() < 2) return {};
    EXPECT_EQ(count, load_i16(payload.data())) << "decoding ended early";
    return {ctx->line_buf.begin(), ctx->line_buf.begin() + count};
}

std::vector<LineEntry> camera_lines(const std::vector<ReadRecord>& records, int16_t type,
                                    int16_t version) {
    std::vector<LineEntry> lines;
    for (size_t i = 1; i < records.size(); ++i) {
        if (records[i].type != type) continue;
        const std::vector<LineEntry> more = decode_whole(records[i].payload, version);
        lines.insert(lines.end(), more.begin(), more.end());
    }
    return lines;
}

std::array<std::vector<uint32_t>, 2> read_index(const std::vector<uint8_t>& abh) {
    std::array<std::vector<uint32_t>, 2> tables;
    EXPECT_EQ(abh.size(), 2u * 1442 * 4);
    if (abh.size() < 2u * 1442 * 4) return tables;
    for (size_t t = 0; t < 2; ++t)
        for (size_t m = 0; m < 1442; ++m) tables[t].push_back(load_u32(&abh[(t * 1442 + m) * 4]));
    return tables;
}

}  // namespace korvel::test
