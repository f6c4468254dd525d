// norvik-watch: searches again and again, keeps the devices by MAC and tells what changed:
// event lines on standard output and, if asked, a metrics file for Prometheus.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "baseline.h"
#include "command_line.h"
#include "console_text.h"
#include "device_json.h"
#include "device_search.h"
#include "device_warnings.h"
#include "device_watch.h"
#include "event_json.h"
#include "exit_codes.h"
#include "network_interfaces.h"
#include "prometheus_text.h"
#include "safe_files.h"
#include "stop_signal.h"
#include "terminal.h"

namespace {

using norvik::cli::DeviceSearch;

constexpr const char* kDescription =
    "Searches every --interval seconds (both protocols, every card, as norvik-scan does),\n"
    "keeps the devices by MAC and writes an event line for each device added, changed, lost\n"
    "(not heard in --lost-after searches in a row) or back. The lines are JSON objects when\n"
    "standard output is no terminal or with --json-lines. With --baseline the first search is\n"
    "compared with a saved norvik-scan --json; with --prometheus the metrics are written to\n"
    "the file after every search. SIGTERM or SIGINT (Ctrl+C) ends it.";

struct Options {
    double interval = 30;
    double timeout = 3;
    int lost_after = 3;
    std::string baseline;
    std::string prometheus;
    bool json_lines = false;
    bool trace = false;
    std::uint64_t searches = 0;  // 0: until stopped
};

double UnixSeconds() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

std::vector<norvik::cli::HeardDevice> HeardDevices(DeviceSearch& search) {
    const std::vector<norvik::DeviceRecord> records = search.Devices();
    const auto warnings = norvik::cli::DeviceWarnings(records, norvik::BroadcastInterfaces());
    norvik::cli::InterfaceNames interface_names;
    std::vector<norvik::cli::HeardDevice> heard;
    heard.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        norvik::cli::HeardDevice device;
        device.device = norvik::cli::DeviceJson(records[i], interface_names);
        device.device.erase("list_index");  // a row of this search only
        device.mac = device.device["mac"].get<std::string>();
        device.warnings = warnings[i];
        heard.push_back(std::move(device));
    }
    return heard;
}

norvik::cli::WatchMetrics Metrics(const norvik::cli::DeviceWatch& watch, const DeviceSearch& search,
                                  double duration) {
    norvik::cli::WatchMetrics metrics;
    for (const auto& [mac, entry] : watch.devices()) {
        const norvik::cli::Json& device = entry.device.device;
        const auto text = [&](const char* key) {
            const auto found = device.find(key);
            return found != device.end() && found->is_string() ? found->get<std::string>()
                                                               : std::string();
        };
        metrics.devices.push_back({mac, text("name"), text("ip"), text("interface"), !entry.lost});
    }
    metrics.devices_heard = watch.heard_last();
    metrics.search_duration_seconds = duration;
    metrics.last_search_timestamp_seconds = UnixSeconds();
    for (std::size_t i = 0; i < norvik::kDropReasonCount; ++i) {
        metrics.dropped[i] = search.dropped(static_cast<norvik::DropReason>(i));
    }
    return metrics;
}

// Says on standard error when writing the metrics fails, once for each new failure.
class MetricsWriter {
public:
    explicit MetricsWriter(std::string path) : path_(std::move(path)) {}
    void Write(const norvik::cli::WatchMetrics& metrics) {
        std::string error;
        if (norvik::cli::ReplaceFileContents(path_, norvik::cli::PrometheusText(metrics), error)) {
            last_error_.clear();
        } else if (error != last_error_) {
            norvik::WriteText(stderr, "norvik-watch: " + path_ + ": " + error + "\n");
            last_error_ = error;
        }
    }

private:
    std::string path_;
    std::string last_error_;
};

int Watch(const Options& options, const norvik::cli::Baseline& baseline) {
    const bool json_lines = options.json_lines || !norvik::cli::OutputIsTerminal();
    norvik::cli::DeviceWatch watch(options.lost_after);
    watch.SetBaseline(baseline.devices);
    std::optional<MetricsWriter> metrics;
    if (!options.prometheus.empty()) {
        metrics.emplace(options.prometheus);
    }
    norvik::cli::InstallStopHandlers();
    // Standard output carries the events alone: the senders' lines go to standard error.
    DeviceSearch search(stderr, options.trace);
    // The receive threads send the first search as they start.
    auto next_start = std::chrono::steady_clock::now();
    if (const auto failed = search.Start("norvik-watch")) {
        return *failed;
    }
    norvik::cli::AcceptStopSignals();
    const auto stop = [] { return norvik::cli::StopRequested(); };
    const auto interval = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        DeviceSearch::Seconds(options.interval));
    for (std::uint64_t done = 0; options.searches == 0 || done < options.searches; ++done) {
        if (done > 0) {
            search.SearchAgain();
        }
        const auto started = std::chrono::steady_clock::now();
        if (const auto failed = search.Wait(DeviceSearch::Seconds(options.timeout), stop)) {
            return *failed;
        }
        if (stop()) {
            break;  // a search cut short would tell of devices lost that are not
        }
        const double duration =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        const auto events = watch.AfterSearch(HeardDevices(search));
        const std::string time = norvik::cli::UtcTimeText(static_cast<std::int64_t>(UnixSeconds()));
        std::string lines;
        for (const norvik::cli::WatchEvent& event : events) {
            lines += json_lines ? norvik::cli::JsonText(norvik::cli::EventJson(event, time))
                                : norvik::cli::EventText(event, time);
        }
        if (!lines.empty()) {
            norvik::WriteText(stdout, lines);
            std::fflush(stdout);  // a reader of the pipe sees each search's events as they come
        }
        // A stop asked for meanwhile waits for the write: the file is renamed into place whole.
        if (metrics) {
            metrics->Write(Metrics(watch, search, duration));
        }
        // After a pause (a suspended PC) the next search starts now, not all those missed.
        next_start = std::max(next_start + interval, std::chrono::steady_clock::now());
        if (options.searches != 0 && done + 1 >= options.searches) {
            break;
        }
        const auto wait =
            std::chrono::duration<double>(next_start - std::chrono::steady_clock::now());
        if (const auto failed = search.Wait(wait, stop)) {
            return *failed;
        }
        if (stop()) {
            break;
        }
    }
    search.Stop();
    return norvik::cli::kExitDone;
}

}  // namespace

int main(int argc, char** argv) {
    norvik::PrepareConsoleStreams();
    CLI::App app(kDescription, "norvik-watch");
    Options options;
    norvik::cli::AddSecondsOption(app, "--interval", options.interval,
                                  "seconds between the starts of two searches (default 30)");
    norvik::cli::AddSecondsOption(app, "--timeout", options.timeout,
                                  "how long each search listens (default 3)");
    app.add_option("--lost-after", options.lost_after,
                   "searches in a row without a device that make it lost (default 3)")
        ->check(CLI::Range(1, 1000000).description(""))
        ->type_name("N");
    app.add_option("--baseline", options.baseline,
                   "a saved norvik-scan --json document to compare the first search with")
        ->type_name("FILE");
    app.add_option("--prometheus", options.prometheus,
                   "write the metrics to FILE after every search (Prometheus text format)")
        ->type_name("FILE");
    app.add_flag("--json-lines", options.json_lines, "one JSON object a line, also on a terminal");
    app.add_flag("--trace", options.trace, "trace every request and datagram on standard error");
    app.add_option("--searches", options.searches, "stop after N searches (default: never)")
        ->check(
            CLI::Range(std::uint64_t{1}, std::numeric_limits<std::uint64_t>::max()).description(""))
        ->type_name("N");
    if (const auto exit_code = norvik::cli::ParseCommandLine(app, argc, argv)) {
        return *exit_code;
    }
    const auto usage_error = [](const std::string& problem) {
        norvik::WriteText(stderr, "norvik-watch: " + problem + "\nRun with --help for more.\n");
        return norvik::cli::kExitUsage;
    };
    if (options.interval <= 0) {
        return usage_error("--interval: takes seconds more than 0");
    }
    if (options.timeout > options.interval) {
        return usage_error("--timeout: a search cannot listen longer than the --interval");
    }
    norvik::cli::Baseline baseline;
    if (!options.baseline.empty()) {
        std::string error;
        const auto text =
            norvik::cli::ReadWholeFile(options.baseline, norvik::cli::kMaxBaselineBytes, error);
        if (!text) {
            return usage_error("--baseline " + options.baseline + ": " + error);
        }
        baseline = norvik::cli::ReadBaseline(*text);
        if (!baseline.error.empty()) {
            return usage_error("--baseline " + options.baseline +
                               ": not a saved norvik-scan --json document: " + baseline.error);
        }
    }
    if (!options.prometheus.empty()) {
        // Now rather than after the first search: a service that cannot write its metrics
        // fails to start, where its manager shows why.
        std::string error;
        if (!norvik::cli::CheckReplaceable(options.prometheus, error)) {
            return usage_error("--prometheus " + options.prometheus + ": " + error);
        }
    }
    const int exit_code = Watch(options, baseline);
    norvik::cli::StopFinished();
    return exit_code;
}
