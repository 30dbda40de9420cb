#include "rain_recording.h"

#include <vector>

#include "format/raw_record.h"
#include "format/record_splitter.h"

namespace korvel {

void write_rain(RainSimulator& rain, RecordingWriter& writer,
                const std::function<void(double)>& on_slice,
                const std::function<void(double)>& before_slice) {
    const int16_t version = writer.header().version;
    std::vector<LineEntry> a;
    std::vector<LineEntry> b;
    while (rain.next_slice(a, b)) {
        if (before_slice) before_slice(rain.share_done());
        RecordSplitter pieces_a(a, version);
        RecordSplitter pieces_b(b, version);
        bool more_a = pieces_a.next();
        bool more_b = pieces_b.next();
        while (more_a || more_b) {
            if (more_a && (!more_b || pieces_a.first_line() <= pieces_b.first_line())) {
                writer.add_camera_payload(kCameraARecord, pieces_a.first_line(), pieces_a.payload(),
                                          pieces_a.line_count());
                more_a = pieces_a.next();
            } else {
                writer.add_camera_payload(kCameraBRecord, pieces_b.first_line(), pieces_b.payload(),
                                          pieces_b.line_count());
                more_b = pieces_b.next();
            }
        }
        if (on_slice) on_slice(rain.share_done());
    }
}

}  // namespace korvel
