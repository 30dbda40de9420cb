#include <cstdint>

#include "format/header_reader.h"

namespace korvel {

// Days since 1970-01-01 to a proleptic Gregorian date, by whole 400-year eras (146097 days
// each). Years are counted from March, so the leap day is the last day of its year and every
// month length but February's follows a fixed pattern. Exact for dates before 1970 as well.
CivilDate utc_date(int64_t seconds_since_epoch) {
    constexpr int64_t kSecondsPerDay = 86400;
    int64_t days = seconds_since_epoch / kSecondsPerDay;
    if (seconds_since_epoch % kSecondsPerDay < 0) --days;  // round toward minus infinity

    days += 719468;  // shift the epoch to 0000-03-01
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t day_of_era = days - era * 146097;  // [0, 146096]
    const int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const int64_t day_of_year =
        day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);  // from March 1
    const int64_t month_index = (5 * day_of_year + 2) / 153;  // 0 = March .. 11 = February
    CivilDate date;
    date.day = static_cast<int>(day_of_year - (153 * month_index + 2) / 5 + 1);
    date.month = static_cast<int>(month_index < 10 ? month_index + 3 : month_index - 9);
    date.year = static_cast<int>(year_of_era + era * 400 + (date.month <= 2 ? 1 : 0));
    return date;
}

}  // namespace korvel
