#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "device_watch.h"
#include "utc_time.h"

// norvik-watch's event lines: one JSON object a line, or a line for a person to read.
namespace norvik::cli {

// {"time":...,"event":...,"mac":...,"interface":...,"device":{...},"warnings":[...]} and for a
// changed event "changes".
Json EventJson(const WatchEvent& event, std::string_view time);

// "2026-12-08T06:41:00Z changed 00:11:22:33:44:55 cam-1 192.168.1.10 on eth0: name cam-1 ->
// hall", with the warnings at the end.
std::string EventText(const WatchEvent& event, std::string_view time);

}  // namespace norvik::cli
