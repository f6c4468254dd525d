#include "utc_time.h"

#include <cstdio>

namespace norvik::cli {
namespace {

// Days since 1970-01-01 as a date of the proleptic Gregorian calendar (Howard Hinnant's
// civil_from_days): the same on every platform, without gmtime's two spellings.
void CivilDate(std::int64_t days, std::int64_t& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto day_of_era = static_cast<std::int64_t>(days - era * 146097);
    const std::int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const std::int64_t day_of_year =
        day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const std::int64_t mp = (5 * day_of_year + 2) / 153;
    day = static_cast<int>(day_of_year - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
}

}  // namespace

std::string UtcTimeText(std::int64_t unix_seconds) {
    std::int64_t days = unix_seconds / 86400;
    std::int64_t seconds = unix_seconds % 86400;
    if (seconds < 0) {
        seconds += 86400;
        --days;
    }
    std::int64_t year = 0;
    int month = 0;
    int day = 0;
    CivilDate(days, year, month, day);
    char text[48];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02dZ",
                  static_cast<long long>(year), month, day, static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return text;
}

}  // namespace norvik::cli
