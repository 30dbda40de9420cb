#include "io/file_source.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "io/disk_file_opener.h"
#include "io/memory_source.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

// A recording file in a temporary directory of its own, removed with it.
class TempFile {
  public:
    void write(const std::vector<uint8_t>& bytes, bool append = false) const {
        if (append) {
            test::append_file(path_, bytes);
        } else {
            test::write_file(path_, bytes);
        }
    }
    const std::string& path() const { return path_; }

  private:
    test::TempDir dir_;
    std::string path_ = dir_.file("rec.ab");
};

std::vector<uint8_t> random_bytes(size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::vector<uint8_t> v(n);
    for (uint8_t& b : v) b = static_cast<uint8_t>(gen());
    return v;
}

std::unique_ptr<ByteSource> open_file(const std::string& path) {
    DiskFileOpener opener;
    FileError error = FileError::generic;
    std::unique_ptr<ByteSource> source = opener.open_read_only(path, error);
    EXPECT_EQ(error, FileError::none);
    return source;
}

void expect_same_read(ByteSource& file, MemorySource& memory, uint64_t offset, size_t n) {
    std::vector<uint8_t> a(n + 1, 0xCC), b(n + 1, 0xCC);
    const size_t got_a = file.read_at(offset, a.data(), n);
    const size_t got_b = memory.read_at(offset, b.data(), n);
    ASSERT_EQ(got_a, got_b) << "offset " << offset << " n " << n;
    ASSERT_EQ(a, b) << "offset " << offset << " n " << n;  // also: nothing written past n
}

TEST(FileSource, ReadsAgreeWithMemoryAcrossCacheBoundaries) {
    constexpr size_t kBlock = FileSource::kBlockSize;
    const std::vector<uint8_t> bytes = random_bytes(5 * kBlock / 2 + 123, 1);
    TempFile tmp;
    tmp.write(bytes);
    std::unique_ptr<ByteSource> file = open_file(tmp.path());
    ASSERT_TRUE(file);
    MemorySource memory(bytes);
    EXPECT_EQ(file->length(), bytes.size());

    const uint64_t size = bytes.size();
    // Reads straddling block edges, at and past the end, empty and larger than a block.
    const std::vector<std::pair<uint64_t, size_t>> edges = {
        {0, 4},
        {kBlock - 2, 4},
        {kBlock - 1, 30000},
        {kBlock, 4},
        {2 * kBlock - 3, 7},
        {size - 3, 4},
        {size - 1, 1},
        {size, 4},
        {size + 9, 4},
        {5, 0},
        {100, kBlock + 5000},
        {size - 1000, kBlock},
        {~uint64_t{0} - 2, 4},
    };
    for (const auto& [offset, n] : edges) expect_same_read(*file, memory, offset, n);

    // Two readers at far-apart positions, each walking forward in record-sized steps.
    std::mt19937 gen(7);
    uint64_t pos[2] = {10, 3 * kBlock / 2};
    for (int i = 0; i < 4000; ++i) {
        uint64_t& p = pos[i % 2];
        const size_t n = i % 4 < 2 ? 4 : gen() % 3000;
        expect_same_read(*file, memory, p, n);
        p = (p + n + gen() % 64) % (size + 16);
    }
}

TEST(FileSource, GrowingFileIsSeenAfterLength) {
    const std::vector<uint8_t> first = random_bytes(1000, 2);
    const std::vector<uint8_t> more = random_bytes(500, 3);
    TempFile tmp;
    tmp.write(first);
    std::unique_ptr<ByteSource> file = open_file(tmp.path());
    ASSERT_TRUE(file);
    uint8_t buf[600];
    EXPECT_EQ(file->read_at(900, buf, 200), 100u);  // only the first part exists yet

    tmp.write(more, true);
    ASSERT_EQ(file->length(), 1500u);
    ASSERT_EQ(file->read_at(1000, buf, 600), 500u);
    EXPECT_TRUE(std::equal(more.begin(), more.end(), buf));

    // Bytes rewritten in place are seen too once the length has been taken again.
    const std::vector<uint8_t> changed = random_bytes(1500, 4);
    tmp.write(changed);
    ASSERT_EQ(file->length(), 1500u);
    ASSERT_EQ(file->read_at(0, buf, 4), 4u);
    EXPECT_TRUE(std::equal(buf, buf + 4, changed.begin()));
}

TEST(FileSource, OpensReadOnlyAndClosedOnExec) {
    TempFile tmp;
    tmp.write(random_bytes(10, 5));
    ::chmod(tmp.path().c_str(), 0400);
    std::unique_ptr<ByteSource> file = open_file(tmp.path());
    ASSERT_TRUE(file);

    // Find the descriptor that refers to the file and check the flags it was opened with.
    bool found = false;
    for (int fd = 0; fd < 1024 && !found; ++fd) {
        char link[64], target[4096];
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        const ssize_t len = ::readlink(link, target, sizeof target - 1);
        if (len <= 0 || std::string(target, static_cast<size_t>(len)) != tmp.path()) continue;
        found = true;
        const int flags = ::fcntl(fd, F_GETFL);
        EXPECT_EQ(flags & O_ACCMODE, O_RDONLY);
        EXPECT_EQ(flags & O_NONBLOCK, 0);
        EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    }
    EXPECT_TRUE(found);
}

TEST(DiskFileOpener, ClassifiesWhatCannotBeOpened) {
    TempFile tmp;
    tmp.write({1, 2, 3});
    const std::string dir = tmp.path().substr(0, tmp.path().rfind('/'));
    const std::string fifo = dir + "/pipe.ab";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    struct Case {
        std::string path;
        FileError want;
    };
    const std::vector<Case> cases = {
        {dir + "/missing.ab", FileError::file_not_found},
        {dir + "/no/such/dir.ab", FileError::file_not_found},
        {"", FileError::bad_path},
        {tmp.path() + "/below_a_file.ab", FileError::bad_path},
        {dir + "/" + std::string(5000, 'x'), FileError::bad_path},
        {std::string("rec\0.ab", 7), FileError::bad_path},
        {dir, FileError::not_regular_file},
        {fifo, FileError::not_regular_file},  // refused at once, without waiting for a writer
        {"/dev/null", FileError::not_regular_file},
    };
    DiskFileOpener opener;
    for (const Case& c : cases) {
        FileError error = FileError::none;
        EXPECT_EQ(opener.open_read_only(c.path, error), nullptr) << c.path.substr(0, 80);
        EXPECT_EQ(error, c.want) << c.path.substr(0, 80);
    }
    ::unlink(fifo.c_str());
}

}  // namespace
}  // namespace korvel
