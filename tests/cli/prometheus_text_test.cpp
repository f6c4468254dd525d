// The metrics file's text: what a Prometheus parser reads, byte for byte.
#include "prometheus_text.h"

#include <gtest/gtest.h>

namespace norvik::cli {
namespace {

TEST(PrometheusText, LabelValuesEscapeBackslashQuoteAndLineFeedOnly) {
    EXPECT_EQ(PrometheusLabelValue("a\"b\\c\nd"), "a\\\"b\\\\c\\nd");
    // Whatever else is text stays as it is: a tab, a carriage return, non-ASCII.
    EXPECT_EQ(PrometheusLabelValue("\tCámara\r攝影機"), "\tCámara\r攝影機");
    EXPECT_EQ(PrometheusLabelValue("\\n"), "\\\\n");
    EXPECT_EQ(PrometheusLabelValue(""), "");
}

TEST(PrometheusText, BytesThatAreNoUtf8BecomeReplacementCharacters) {
    // A stray continuation byte, a lead byte without its trail (the other malformed forms are
    // the shared UTF-8 reader's, in ini_text_decoder_test.cpp).
    EXPECT_EQ(PrometheusLabelValue("a\x80"
                                   "b\xC3"),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");
    // Escaping comes after: a quote after a bad byte is still escaped.
    EXPECT_EQ(PrometheusLabelValue("\xFF\""), "\xEF\xBF\xBD\\\"");
}

TEST(PrometheusText, EveryFamilyWithHelpAndTypeDevicesByMac) {
    WatchMetrics metrics;
    metrics.devices = {
        {"00:11:22:33:44:66", "", "3297", "gate \"B\"", "10.0.0.6", "", false},
        {"00:11:22:33:44:55", "urn:uuid:1", "pcedit,onvif", "hall\\1\n2", "10.0.0.5", "eth0", true},
        // A camera whose MAC is not known: its endpoint tells the series apart.
        {"", "urn:uuid:\"2\"", "onvif", "door", "10.0.0.9", "eth0", true}};
    metrics.devices_heard = 1;
    metrics.search_duration_seconds = 0.2004;
    metrics.last_search_timestamp_seconds = 1796712060.25;
    metrics.searches_failed = 3;
    metrics.metrics_write_failures = 1;
    metrics.dropped[static_cast<std::size_t>(DropReason::kTooShort)] = 7;
    metrics.dropped[static_cast<std::size_t>(DropReason::kRequest)] = 2;
    EXPECT_EQ(
        PrometheusText(metrics),
        "# HELP norvik_device_up 1 while the device answers, 0 once it is lost (not heard in "
        "--lost-after searches).\n"
        "# TYPE norvik_device_up gauge\n"
        "norvik_device_up{mac=\"\",endpoint=\"urn:uuid:\\\"2\\\"\",protocol=\"onvif\","
        "name=\"door\",ip=\"10.0.0.9\",interface=\"eth0\"} 1\n"
        "norvik_device_up{mac=\"00:11:22:33:44:55\",endpoint=\"urn:uuid:1\","
        "protocol=\"pcedit,onvif\",name=\"hall\\\\1\\n2\",ip=\"10.0.0.5\",interface=\"eth0\"} 1\n"
        "norvik_device_up{mac=\"00:11:22:33:44:66\",endpoint=\"\",protocol=\"3297\","
        "name=\"gate \\\"B\\\"\",ip=\"10.0.0.6\",interface=\"\"} 0\n"
        "# HELP norvik_devices Devices heard in the last search.\n"
        "# TYPE norvik_devices gauge\n"
        "norvik_devices 1\n"
        "# HELP norvik_search_duration_seconds How long the last search took.\n"
        "# TYPE norvik_search_duration_seconds gauge\n"
        "norvik_search_duration_seconds 0.200\n"
        "# HELP norvik_reports_dropped_total Datagrams received and dropped since the start, by "
        "reason (our own requests are among the reason \"request\").\n"
        "# TYPE norvik_reports_dropped_total counter\n"
        "norvik_reports_dropped_total{reason=\"receive-failed\"} 0\n"
        "norvik_reports_dropped_total{reason=\"too-long\"} 0\n"
        "norvik_reports_dropped_total{reason=\"too-short\"} 7\n"
        "norvik_reports_dropped_total{reason=\"wrong-length\"} 0\n"
        "norvik_reports_dropped_total{reason=\"wrong-magic\"} 0\n"
        "norvik_reports_dropped_total{reason=\"request\"} 2\n"
        "norvik_reports_dropped_total{reason=\"unknown-type\"} 0\n"
        "norvik_reports_dropped_total{reason=\"list-full\"} 0\n"
        "norvik_reports_dropped_total{reason=\"out-of-memory\"} 0\n"
        "norvik_reports_dropped_total{reason=\"unknown-mac\"} 0\n"
        "norvik_reports_dropped_total{reason=\"bad-xml\"} 0\n"
        "norvik_reports_dropped_total{reason=\"xml-dtd\"} 0\n"
        "norvik_reports_dropped_total{reason=\"xml-too-large\"} 0\n"
        "norvik_reports_dropped_total{reason=\"not-ws-discovery\"} 0\n"
        "norvik_reports_dropped_total{reason=\"not-a-camera\"} 0\n"
        "norvik_reports_dropped_total{reason=\"no-xml-parser\"} 0\n"
        "# HELP norvik_searches_failed_total Searches that could not be sent through any "
        "network card since the start; they do not count as searches.\n"
        "# TYPE norvik_searches_failed_total counter\n"
        "norvik_searches_failed_total 3\n"
        "# HELP norvik_metrics_write_failures_total Writes of this file that failed since the "
        "start.\n"
        "# TYPE norvik_metrics_write_failures_total counter\n"
        "norvik_metrics_write_failures_total 1\n"
        "# HELP norvik_last_search_timestamp_seconds When the last search that went out ended, "
        "in seconds since 1970-01-01 UTC.\n"
        "# TYPE norvik_last_search_timestamp_seconds gauge\n"
        "norvik_last_search_timestamp_seconds 1796712060.250\n");
}

TEST(PrometheusText, NoDevicesStillGivesEveryFamily) {
    const std::string text = PrometheusText(WatchMetrics{});
    for (const char* family :
         {"norvik_device_up", "norvik_devices", "norvik_search_duration_seconds",
          "norvik_reports_dropped_total", "norvik_searches_failed_total",
          "norvik_metrics_write_failures_total", "norvik_last_search_timestamp_seconds"}) {
        EXPECT_NE(text.find(std::string("# TYPE ") + family + ' '), std::string::npos) << family;
    }
    EXPECT_EQ(text.find("norvik_device_up{"), std::string::npos);
    EXPECT_EQ(text.back(), '\n');
}

}  // namespace
}  // namespace norvik::cli
