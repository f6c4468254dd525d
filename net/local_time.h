#pragma once

#include <ctime>

namespace norvik {

// The local time of day and date of a moment; safe to call from any thread.
std::tm LocalTime(std::time_t moment);

}  // namespace norvik
