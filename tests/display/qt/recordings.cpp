#include "recordings.h"

#include <gtest/gtest.h>

#include "support/replay_runner.h"

namespace korvel::test {

std::string abgen_recording(const TempDir& dir, const std::string& name, int seconds,
                            int drops_per_second) {
    const std::string path = dir.file(name + ".ab");
    const ProgramRun run =
        run_program(std::string(KORVEL_BIN_DIR) + "/tools/abgen/abgen",
                    {"--start", "12:00:00", "--duration", std::to_string(seconds),
                     "--drops-per-second", std::to_string(drops_per_second), "-o", path});
    EXPECT_EQ(run.status, 0) << run.err;
    return path;
}

int count_colour(const QImage& img, QRgb colour, int x0, int x1) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = std::max(0, x0); x < std::min(x1, img.width()); ++x) {
            if ((img.pixel(x, y) & 0xffffff) == (colour & 0xffffff)) ++n;
        }
    }
    return n;
}

}  // namespace korvel::test
