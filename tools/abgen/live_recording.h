#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/recording_writer.h"
#include "io/byte_sink.h"
#include "io/vector_sink.h"
#include "rain_simulator.h"

namespace korvel {

// A file written in place as an instrument writes its recording: created new (never over an
// existing file), appended to, and what was appended pushed to the file at each flush, so
// readers see it grow.
class LiveFile : public ByteSink {
  public:
    // Creates path. Raises FatalError when it exists or cannot be created, with the reason.
    explicit LiveFile(std::string path);
    ~LiveFile() override;
    LiveFile(const LiveFile&) = delete;
    LiveFile& operator=(const LiveFile&) = delete;

    void write(const uint8_t* data, size_t n) override;  // held until the next flush
    void close() override;
    // Appends what was written since the last flush to the file.
    void flush();
    // Writes bytes over the file's start (the index, whose length never changes).
    void write_over(const std::vector<uint8_t>& bytes);

  private:
    [[noreturn]] void fail(const char* what);

    std::string path_;
    int fd_ = -1;
    std::vector<uint8_t> pending_;
};

// Runs the simulator and writes its records through writer at the pace of real time times
// speed: each slice of the rain (50 ms of it) goes out when its time has come, after the
// first slice at once, and is flushed to data straight away. The index is written over
// index_file as each minute of the day begins (then with the entries known so far; the
// others hold the length written, where the minute's first record will go). Finishes the
// writer and writes the complete index.
void write_rain_live(RainSimulator& rain, RecordingWriter& writer, LiveFile& data,
                     VectorSink& index_tables, LiveFile& index_file, double speed);

}  // namespace korvel
