#include "input/index_file.h"

#include <vector>

#include "common/fatal_error.h"
#include "common/little_endian.h"

namespace korvel {

std::string index_file_path(const std::string& data_path) {
    const size_t keep = data_path.size() < 3 ? 0 : data_path.size() - 3;
    return data_path.substr(0, keep) + ".abh";
}

void read_index_tables(ByteSource& source, MinuteTable& pos_a, MinuteTable& pos_b) {
    std::vector<uint8_t> bytes(2 * kIndexTableBytes);
    if (source.read_at(0, bytes.data(), kIndexTableBytes) != kIndexTableBytes ||
        source.read_at(kIndexTableBytes, bytes.data() + kIndexTableBytes, kIndexTableBytes) !=
            kIndexTableBytes) {
        throw FatalError("pixfil05");
    }
    for (size_t m = 0; m < kMinutesPerTable; ++m) {
        pos_a[m] = load_u32(&bytes[4 * m]);
        pos_b[m] = load_u32(&bytes[kIndexTableBytes + 4 * m]);
    }
}

}  // namespace korvel
