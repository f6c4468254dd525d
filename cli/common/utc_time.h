#pragma once

#include <cstdint>
#include <string>

namespace norvik::cli {

// ISO 8601 in UTC to the second: "2026-12-08T06:41:00Z".
std::string UtcTimeText(std::int64_t unix_seconds);

}  // namespace norvik::cli
