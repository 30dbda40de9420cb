#include "replay_input.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace korvel::fuzz {

ReplayInput unpack_replay_input(const uint8_t* data, size_t size) {
    uint8_t head[kReplayHeadSize] = {};
    std::copy_n(data, std::min(size, kReplayHeadSize), head);
    ReplayInput in;
    const int view = head[0] & 3;
    in.view = view == 1 ? ReplayView::sync : view == 2 ? ReplayView::none : ReplayView::async;
    in.no_index = (head[0] & 4) != 0;
    in.pad_index = (head[0] & 8) != 0;
    in.hour = head[1] % 24;
    in.minute = head[2] % 60;
    in.second = head[3] % 60;

    const size_t rest = size > kReplayHeadSize ? size - kReplayHeadSize : 0;
    const uint8_t* body = data + std::min(size, kReplayHeadSize);
    const size_t ab_size = std::min<size_t>(rest, head[4] | (head[5] << 8));
    in.ab.assign(body, body + ab_size);
    in.abh.assign(body + ab_size, body + rest);
    if (in.pad_index && in.abh.size() < kIndexFileSize) in.abh.resize(kIndexFileSize, 0);
    return in;
}

std::vector<uint8_t> pack_replay_input(const ReplayInput& input) {
    if (input.ab.size() > 0xFFFF)
        throw std::invalid_argument("the .ab part holds at most 65535 bytes");
    const int view = input.view == ReplayView::sync ? 1 : input.view == ReplayView::none ? 2 : 0;
    const uint8_t head[] = {
        static_cast<uint8_t>(view | (input.no_index ? 4 : 0) | (input.pad_index ? 8 : 0)),
        static_cast<uint8_t>(input.hour),
        static_cast<uint8_t>(input.minute),
        static_cast<uint8_t>(input.second),
        static_cast<uint8_t>(input.ab.size() & 0xFF),
        static_cast<uint8_t>(input.ab.size() >> 8)};
    std::vector<uint8_t> out(sizeof head + input.ab.size() + input.abh.size());
    std::copy(std::begin(head), std::end(head), out.begin());
    std::copy(input.ab.begin(), input.ab.end(), out.begin() + sizeof head);
    std::copy(input.abh.begin(), input.abh.end(), out.begin() + sizeof head + input.ab.size());
    return out;
}

}  // namespace korvel::fuzz
