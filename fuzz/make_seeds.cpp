// korvel_make_seeds: writes the seed corpora of the fuzz harnesses into the corpus directory
// given as its argument (fuzz/corpus). Seeds are small on purpose: a few records of simulated
// rain per header version, the examples from the format's description, and correction files
// of the usual shapes. Existing files of the same names are replaced; other files, such as
// regression inputs, are left alone.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "abgen_options.h"
#include "common/fatal_error.h"
#include "format/record_reader.h"
#include "format/recording_writer.h"
#include "io/memory_source.h"
#include "io/vector_sink.h"
#include "rain_recording.h"
#include "replay_input.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

struct Recording {
    Bytes ab;
    Bytes abh;
};

Recording simulate(int16_t version, uint64_t seed, double seconds) {
    korvel::AbgenOptions o;
    o.version = version;
    o.seed = seed;
    o.line_rate = 1000.0;  // version 0: divisor 1193, a rate of exactly 1000 lines/s
    o.duration = seconds;
    o.drops_per_second = 150.0;
    o.output = "seed.ab";
    const korvel::RecordingHeader header = korvel::header_for(o);
    korvel::VectorSink data;
    korvel::VectorSink index;
    korvel::RecordingWriter writer(data, index, header);
    korvel::RainSimulator rain(korvel::rain_for(o, header));
    korvel::write_rain(rain, writer);
    writer.finish();
    return {data.take(), index.take()};
}

struct Span {
    uint32_t offset;
    uint32_t size;
    int16_t type;
};

std::vector<Span> records_of(const Bytes& ab) {
    korvel::MemorySource source(ab);
    korvel::RawRecord rec;
    std::vector<Span> spans;
    uint32_t pos = 0;
    while (pos < ab.size()) {
        const uint32_t at = pos;
        korvel::read_record(source, pos, rec);
        spans.push_back({at, pos - at, rec.type});
    }
    return spans;
}

// The header and the first n records after it.
Bytes head_of(const Bytes& ab, size_t n) {
    const std::vector<Span> spans = records_of(ab);
    const Span& last = spans[std::min(n, spans.size() - 1)];
    return Bytes(ab.begin(), ab.begin() + last.offset + last.size);
}

void write(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

Bytes from_hex(const std::string& hex) {
    Bytes out;
    for (size_t i = 0; i + 1 < hex.size(); i += 3)
        out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

void decode_seeds(const fs::path& dir, const std::vector<Recording>& recordings) {
    // The worked example (version 1) and the same block with an f64 first line number.
    write(dir / "v1_worked_example", from_hex("01 03 00 0C 00 19 44 E8 03 00 00 35 92 09 88 "));
    write(dir / "v2_worked_example",
          from_hex("02 03 00 10 00 19 44 00 00 00 00 00 40 8F 40 35 92 09 88 "));
    // One run 105..108, then a repeat code of 2 and the end of the block.
    write(dir / "v0_repeat_example", from_hex("00 03 00 0A 00 19 43 88 13 00 00 75 45 "));
    for (size_t v = 0; v < recordings.size(); ++v) {
        const Bytes& ab = recordings[v].ab;
        int taken = 0;
        for (const Span& s : records_of(ab)) {
            if ((s.type != 1 && s.type != 2) || s.size <= 4 || taken == 4) continue;
            // The version byte, then the record's payload.
            Bytes seed(s.size - 4 + 1);
            seed[0] = static_cast<uint8_t>(v);
            std::copy(ab.begin() + s.offset + 4, ab.begin() + s.offset + s.size, seed.begin() + 1);
            write(dir / ("v" + std::to_string(v) + "_rain_payload_" + std::to_string(taken++)),
                  seed);
        }
    }
}

void record_stream_seeds(const fs::path& dir, const std::vector<Recording>& recordings) {
    for (size_t v = 0; v < recordings.size(); ++v) {
        const Bytes& ab = recordings[v].ab;
        write(dir / ("v" + std::to_string(v) + "_header_only"), head_of(ab, 0));
        write(dir / ("v" + std::to_string(v) + "_rain_head"), head_of(ab, 5));
    }
    // A record of type 3 and an empty record between camera records.
    Bytes mixed = head_of(recordings[1].ab, 2);
    const Bytes other = from_hex("03 00 02 00 AA BB 01 00 00 00 ");
    mixed.insert(mixed.end(), other.begin(), other.end());
    write(dir / "v1_other_and_empty_records", mixed);
}

void replay_seeds(const fs::path& dir, const std::vector<Recording>& recordings) {
    using korvel::fuzz::ReplayInput;
    using korvel::fuzz::ReplayView;
    const ReplayView views[] = {ReplayView::async, ReplayView::sync, ReplayView::none};
    for (size_t v = 0; v < recordings.size(); ++v) {
        for (const ReplayView view : views) {
            ReplayInput in;
            in.view = view;
            in.pad_index = true;
            in.ab = head_of(recordings[v].ab, 30);
            // Minute 0 of table A; every other entry, and all of table B, become 0.
            in.abh.assign(recordings[v].abh.begin(), recordings[v].abh.begin() + 4);
            const char* name = view == ReplayView::async  ? "async"
                               : view == ReplayView::sync ? "sync"
                                                          : "none";
            write(dir / ("v" + std::to_string(v) + "_rain_" + name), pack_replay_input(in));
        }
    }
    // The whole index, as written, and a recording without one.
    ReplayInput full;
    full.view = ReplayView::sync;
    full.ab = head_of(recordings[2].ab, 30);
    full.abh = recordings[2].abh;
    write(dir / "v2_rain_full_index", pack_replay_input(full));
    ReplayInput none = full;
    none.view = ReplayView::async;
    none.no_index = true;
    none.abh.clear();
    write(dir / "v2_rain_no_index", pack_replay_input(none));
}

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

void correction_seeds(const fs::path& dir) {
    const std::string title = "PLUVARIC correction factors\n";
    const std::string line2 = std::string(54, ' ') + "  12\n";
    const std::string grid =
        "grid      0.1000,0.2000,0.3000,0.4000,0.5000,0.6000,0.7000,0.8000,0.9000,1.0000\n";
    const std::string sep = "----------\n";
    const std::string row =
        "row       1.0000,1.0100,1.0200,0.9900,0.9800,1.0000,1.0000,1.0300,0.9700,1.0000\n";
    const std::string eight = title + line2 + grid + sep + row + row + row + row;
    write(dir / "eight_lines", text(eight));
    std::string crlf;
    for (char c : eight) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    write(dir / "eight_lines_crlf", text(crlf));
    write(dir / "seven_lines", text(title + line2 + grid + sep + row + row + row));
    write(dir / "long_grid_line", text(title + line2 + grid.substr(0, grid.size() - 1) +
                                       std::string(40, '9') + "\n" + sep + row + row + row));
    write(dir / "bad_numbers", text(title + line2 + "grid      0.1,x,3\n" + sep +
                                    "row       1234567,-1e9,.5e-3\n" + row + row + row));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvel_make_seeds CORPUS_DIR\n");
        return 2;
    }
    try {
        const fs::path root = argv[1];
        std::vector<Recording> recordings;
        for (int16_t v = 0; v <= 2; ++v)
            recordings.push_back(simulate(v, 7 + static_cast<uint64_t>(v), 2.0));
        for (const char* h : {"decode_record", "record_stream", "replay", "corrections"})
            fs::create_directories(root / h);
        decode_seeds(root / "decode_record", recordings);
        record_stream_seeds(root / "record_stream", recordings);
        replay_seeds(root / "replay", recordings);
        correction_seeds(root / "corrections");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "korvel_make_seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
