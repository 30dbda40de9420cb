#include "format/recorded_minutes.h"

#include "common/fatal_error.h"

namespace korvel {
namespace {

// The minutes of the day a start time can select: entries 1440 and 1441 only close the day.
constexpr int kDayMinutes = 24 * 60;

void widen(std::optional<RecordedMinutes>& span, const MinuteTable& table) {
    for (int m = 0; m < kDayMinutes; ++m) {
        if (table[m + 1] <= table[m]) continue;
        if (!span) {
            span = RecordedMinutes{m, m};
        } else {
            if (m < span->first) span->first = m;
            if (m > span->last) span->last = m;
        }
    }
}

}  // namespace

std::optional<RecordedMinutes> recorded_minutes(const MinuteTable& pos_a,
                                                const MinuteTable& pos_b) {
    std::optional<RecordedMinutes> span;
    widen(span, pos_a);
    widen(span, pos_b);
    return span;
}

std::optional<RecordedMinutes> read_recorded_minutes(FileOpener& opener,
                                                     const std::string& data_path) {
    FileError error = FileError::none;
    const std::unique_ptr<ByteSource> index =
        opener.open_read_only(index_file_path(data_path), error);
    if (!index) return std::nullopt;
    MinuteTable pos_a{}, pos_b{};
    try {
        read_index_tables(*index, pos_a, pos_b);
    } catch (const FatalError&) {
        return std::nullopt;  // cut short: Open says so itself when it reads the index
    }
    return recorded_minutes(pos_a, pos_b);
}

}  // namespace korvel
