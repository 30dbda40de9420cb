#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvel::fuzz {

// One input of the replay harness: a .ab recording, its .abh index and how to play them,
// packed into a single byte string so that libFuzzer can mutate all of it at once.
//
//   byte 0      flags: bits 0-1 the view (0 asynchronous, 1 synchronous, 2 none, 3 as 0),
//               bit 2 no index file at all, bit 3 zero-pad the index part to 11536 bytes
//   bytes 1-3   start time: hour mod 24, minute mod 60, second mod 60
//   bytes 4-5   u16 little-endian length L of the .ab part
//   then        L bytes of .ab (fewer if the input ends first), and the rest is the .abh
//
// Missing bytes of the 6-byte head count as 0. Padding lets a small input carry a valid
// index: its first entries select where the cameras start, every other minute points at 0.
enum class ReplayView { async, sync, none };

struct ReplayInput {
    ReplayView view = ReplayView::async;
    bool no_index = false;
    bool pad_index = false;
    int hour = 0, minute = 0, second = 0;
    std::vector<uint8_t> ab;
    std::vector<uint8_t> abh;
};

inline constexpr size_t kReplayHeadSize = 6;
inline constexpr size_t kIndexFileSize = 2 * 1442 * 4;

ReplayInput unpack_replay_input(const uint8_t* data, size_t size);

// The inverse, for making seeds; the .ab part must be at most 65535 bytes.
std::vector<uint8_t> pack_replay_input(const ReplayInput& input);

}  // namespace korvel::fuzz
