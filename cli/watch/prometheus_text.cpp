#include "prometheus_text.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

#include "utf.h"

namespace norvik::cli {
namespace {

void Family(std::string& out, const char* name, const char* type, const char* help) {
    out += std::string("# HELP ") + name + ' ' + help + '\n';
    out += std::string("# TYPE ") + name + ' ' + type + '\n';
}

// Fixed decimals, and no locale's decimal comma.
std::string Number(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string result = text;
    std::replace(result.begin(), result.end(), ',', '.');
    return result;
}

}  // namespace

std::string PrometheusLabelValue(std::string_view text) {
    // Decoding and encoding again leaves valid UTF-8 as it is and replaces the rest.
    const std::string utf8 = Utf16ToUtf8(Utf8ToUtf16(text));
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string PrometheusText(const WatchMetrics& metrics) {
    std::string out;
    Family(out, "norvik_device_up", "gauge",
           "1 while the device answers, 0 once it is lost (not heard in --lost-after searches).");
    std::vector<const WatchMetrics::Device*> devices;
    for (const WatchMetrics::Device& device : metrics.devices) {
        devices.push_back(&device);
    }
    std::sort(devices.begin(), devices.end(),
              [](const auto* a, const auto* b) {
                  return std::tie(a->mac, a->endpoint) < std::tie(b->mac, b->endpoint);
              });
    for (const WatchMetrics::Device* device : devices) {
        out += "norvik_device_up{mac=\"" + PrometheusLabelValue(device->mac) + "\",endpoint=\"" +
               PrometheusLabelValue(device->endpoint) + "\",protocol=\"" +
               PrometheusLabelValue(device->protocol) + "\",name=\"" +
               PrometheusLabelValue(device->name) + "\",ip=\"" + PrometheusLabelValue(device->ip) +
               "\",interface=\"" + PrometheusLabelValue(device->interface) + "\"} " +
               (device->up ? "1" : "0") + '\n';
    }
    Family(out, "norvik_devices", "gauge", "Devices heard in the last search.");
    out += "norvik_devices " + std::to_string(metrics.devices_heard) + '\n';
    Family(out, "norvik_search_duration_seconds", "gauge", "How long the last search took.");
    out += "norvik_search_duration_seconds " + Number(metrics.search_duration_seconds, 3) + '\n';
    Family(out, "norvik_reports_dropped_total", "counter",
           "Datagrams received and dropped since the start, by reason (our own requests are "
           "among the reason \"request\").");
    for (std::size_t i = 0; i < kDropReasonCount; ++i) {
        out += std::string("norvik_reports_dropped_total{reason=\"") +
               DropReasonName(static_cast<DropReason>(i)) + "\"} " +
               std::to_string(metrics.dropped[i]) + '\n';
    }
    Family(out, "norvik_searches_failed_total", "counter",
           "Searches that could not be sent through any network card since the start; they do "
           "not count as searches.");
    out += "norvik_searches_failed_total " + std::to_string(metrics.searches_failed) + '\n';
    Family(out, "norvik_metrics_write_failures_total", "counter",
           "Writes of this file that failed since the start.");
    out += "norvik_metrics_write_failures_total " +
           std::to_string(metrics.metrics_write_failures) + '\n';
    Family(out, "norvik_last_search_timestamp_seconds", "gauge",
           "When the last search that went out ended, in seconds since 1970-01-01 UTC.");
    out += "norvik_last_search_timestamp_seconds " +
           Number(metrics.last_search_timestamp_seconds, 3) + '\n';
    return out;
}

}  // namespace norvik::cli
