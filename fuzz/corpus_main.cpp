// Replays inputs through a harness without libFuzzer, so that every build (gcc, and the
// sanitizer build) runs the whole corpus as a test. Each argument is a file or a directory
// whose files are all replayed. A broken promise aborts, which fails the test.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

void replay_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    // A copy of exactly the input's size, so that a read past its end is caught.
    auto* copy = new uint8_t[bytes.size() + (bytes.empty() ? 1 : 0)];
    std::copy(bytes.begin(), bytes.end(), copy);
    LLVMFuzzerTestOneInput(copy, bytes.size());
    delete[] copy;
}

}  // namespace

int main(int argc, char** argv) {
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg = argv[i];
        std::error_code ec;
        if (fs::is_directory(arg, ec)) {
            std::vector<fs::path> files;
            for (const auto& entry : fs::directory_iterator(arg)) {
                if (entry.is_regular_file() && entry.path().filename() != "README.md") {
                    files.push_back(entry.path());
                }
            }
            std::sort(files.begin(), files.end());
            for (const fs::path& f : files) {
                replay_file(f);
                ++replayed;
            }
        } else if (fs::is_regular_file(arg, ec)) {
            replay_file(arg);
            ++replayed;
        } else {
            std::fprintf(stderr, "%s: no such file or directory\n", argv[i]);
            return 2;
        }
    }
    std::printf("replayed %d inputs\n", replayed);
    // An empty corpus proves nothing: a test that replays nothing must not pass.
    return replayed > 0 ? 0 : 1;
}
