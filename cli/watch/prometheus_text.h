#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "trace.h"

// norvik-watch's metrics in Prometheus' text exposition format, for node_exporter's textfile
// collector.
namespace norvik::cli {

struct WatchMetrics {
    struct Device {
        std::string mac;       // empty for a camera whose MAC is not known
        std::string endpoint;  // an ONVIF camera's; empty for the others
        std::string protocol;  // the protocols it answered in, "pcedit,onvif"
        std::string name;
        std::string ip;
        std::string interface;  // empty when not known
        bool up = false;
    };
    std::vector<Device> devices;  // every device kept, each once
    std::size_t devices_heard = 0;
    double search_duration_seconds = 0;
    double last_search_timestamp_seconds = 0;  // of the last search that went out; 0: none yet
    std::uint64_t searches_failed = 0;         // searches that went out through no card
    std::uint64_t metrics_write_failures = 0;  // earlier writes of this file that failed
    std::array<std::uint64_t, kDropReasonCount> dropped{};  // by DropReason
};

// A label's value between its quotes: backslash, double quote and line feed escaped, and
// whatever is not UTF-8 (names are bytes from the network) as U+FFFD.
std::string PrometheusLabelValue(std::string_view text);

// Every metric with its HELP and TYPE lines; devices in MAC order.
std::string PrometheusText(const WatchMetrics& metrics);

}  // namespace norvik::cli
