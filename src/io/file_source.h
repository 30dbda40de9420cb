#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "io/byte_source.h"

namespace korvel {

// A recording on disk, read with pread through a read cache.
//
// Playback reads every record twice, once per camera reader, each time as a 4-byte record
// header followed by the payload. Without a cache each of those would be a system call. The
// cache holds two blocks, because the two readers work at their own positions, which may lie
// far apart: each reader then keeps its own block instead of evicting the other's on every
// turn. A read that falls outside both blocks refills the least recently used one with a
// single pread. The blocks are allocated once.
//
// The file may still be growing while it is played back, so length() measures it afresh on
// every call. The cached blocks stay valid as long as the file's size and modification time
// are what they were; any change drops them. A read past a block's end goes back to the file.
class FileSource : public ByteSource {
  public:
    static constexpr size_t kBlockSize = 256 * 1024;

    // Takes ownership of fd, a descriptor open for reading; path is used in error texts only.
    FileSource(int fd, std::string path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    size_t read_at(uint64_t offset, uint8_t* dst, size_t n) override;
    uint64_t length() override;
    // The holes of a sparse file, found with lseek(SEEK_DATA): no byte of them is read.
    uint64_t zeros_until(uint64_t offset) override;
    // The same open file through a descriptor of its own, with caches of its own.
    std::unique_ptr<ByteSource> open_another() override;
    std::optional<FileIdentity> identity() const override { return identity_; }

  private:
    struct Block {
        std::unique_ptr<uint8_t[]> data;
        uint64_t offset = 0;
        size_t size = 0;  // valid bytes, 0 when empty
        uint64_t last_use = 0;

        bool holds(uint64_t at, size_t n) const {
            return at >= offset && at - offset < size && n <= size - (at - offset);
        }
    };

    // Reads up to n bytes at offset straight from the file, retrying partial reads.
    size_t pread_fully(uint64_t offset, uint8_t* dst, size_t n);
    Block& block_for(uint64_t offset, size_t n);

    int fd_;
    std::string path_;
    std::optional<FileIdentity> identity_;  // of the descriptor, taken at open
    std::array<Block, 2> blocks_;
    uint64_t use_clock_ = 0;
    // What the file looked like when the blocks were last known to be current.
    int64_t seen_size_ = -1;
    int64_t seen_mtime_sec_ = 0;
    int64_t seen_mtime_nsec_ = 0;
};

}  // namespace korvel
