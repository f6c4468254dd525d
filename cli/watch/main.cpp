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
#include "program.h"
#include "device_json.h"
#include "device_search.h"
#include "device_warnings.h"
#include "device_watch.h"
#include "event_json.h"
#include "exit_codes.h"
#include "network_interfaces.h"
#include "prometheus_text.h"
#include "safe_files.h"
#include "site_cameras.h"
#include "stop_signal.h"
#include "terminal.h"

namespace {

using norvik::cli::DeviceSearch;

constexpr const char* kDescription =
    "Searches every --interval seconds (both protocols and ONVIF, every card, as norvik-scan\n"
    "does), keeps the devices by MAC (an ONVIF camera whose MAC is not known by its endpoint)\n"
    "and writes an event line for each device added, changed, lost (not heard in --lost-after\n"
    "searches in a row) or back; an ONVIF camera's Hello makes it added or back, and its Bye\n"
    "lost, at once, between searches. The lines are JSON objects when\n"
    "standard output is no terminal or with --json-lines. With --baseline the first search is\n"
    "compared with a saved norvik-scan --json; with --prometheus the metrics are written to\n"
    "the file after every search. ";

std::string Description() {
    return kDescription + std::string(norvik::cli::StopSignalsText()) + " ends it.";
}

struct Options {
    double interval = 30;
    double timeout = 3;
    std::uint64_t lost_after = 3;
    std::string baseline;
    std::string prometheus;
    bool json_lines = false;
    bool trace = false;
    std::uint64_t searches = 0;  // 0: until stopped
    norvik::cli::SearchProtocols protocols;
};

double UnixSeconds() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

std::vector<norvik::cli::HeardDevice> HeardDevices(DeviceSearch& search,
                                                   norvik::cli::DeviceWatch& watch) {
    const std::vector<norvik::DeviceRecord> records = search.Devices();
    std::vector<norvik::OnvifDevice> heard_cameras = search.Cameras();
    watch.RememberMacs(heard_cameras);
    const norvik::cli::SiteCameras cameras(std::move(heard_cameras), records);
    const auto warnings =
        norvik::cli::DeviceWarnings(records, norvik::BroadcastInterfaces(), cameras);
    norvik::cli::InterfaceNames interface_names;
    std::vector<norvik::cli::HeardDevice> heard;
    heard.reserve(warnings.size());
    std::size_t i = 0;
    for (const norvik::DeviceRecord& record : records) {
        heard.push_back(norvik::cli::MakeHeardDevice(norvik::cli::SiteDeviceJson(record, cameras, interface_names),
                              warnings[i++]));
    }
    for (const norvik::OnvifDevice* camera : cameras.alone()) {
        heard.push_back(norvik::cli::MakeHeardDevice(norvik::cli::CameraJson(*camera, interface_names), warnings[i++]));
    }
    return heard;
}

// The events of the cameras' Hello and Bye heard since the last call.
std::vector<norvik::cli::WatchEvent> AnnouncementEvents(DeviceSearch& search,
                                                        norvik::cli::DeviceWatch& watch) {
    std::vector<norvik::cli::WatchEvent> events;
    norvik::cli::InterfaceNames interface_names;
    const std::vector<norvik::NetworkInterface> cards = norvik::BroadcastInterfaces();
    for (const auto& announcement : search.TakeAnnouncements()) {
        std::optional<norvik::cli::WatchEvent> event;
        if (announcement.kind == norvik::WsDiscoveryKind::kBye) {
            event = watch.AfterBye(announcement.device.match.endpoint);
        } else {
            const norvik::cli::SiteCameras camera({announcement.device},
                                                  std::vector<norvik::DeviceRecord>());
            const auto warnings = norvik::cli::DeviceWarnings({}, cards, camera);
            event = watch.AfterHello(
                norvik::cli::MakeHeardDevice(
                    norvik::cli::CameraJson(announcement.device, interface_names), warnings[0]));
        }
        if (event) {
            events.push_back(std::move(*event));
        }
    }
    return events;
}

norvik::cli::WatchMetrics Metrics(const norvik::cli::DeviceWatch& watch, const DeviceSearch& search,
                                  double duration) {
    norvik::cli::WatchMetrics metrics;
    for (const auto& [key, entry] : watch.devices()) {
        const norvik::cli::Json& device = entry.device.device;
        const auto text = [&](const char* key) {
            const auto found = device.find(key);
            return found != device.end() && found->is_string() ? found->get<std::string>()
                                                               : std::string();
        };
        std::vector<std::string> protocols;
        if (const auto found = device.find("protocols"); found != device.end() && found->is_array()) {
            for (const auto& protocol : *found) {
                if (protocol.is_string()) {
                    protocols.push_back(protocol.get<std::string>());
                }
            }
        }
        metrics.devices.push_back({text("mac"), text("endpoint"),
                                   norvik::cli::ProtocolLabel(protocols), text("name"), text("ip"),
                                   text("interface"), !entry.lost});
    }
    metrics.devices_heard = watch.heard_last();
    metrics.search_duration_seconds = duration;
    metrics.last_search_timestamp_seconds = UnixSeconds();
    for (std::size_t i = 0; i < norvik::kDropReasonCount; ++i) {
        metrics.dropped[i] = search.dropped(static_cast<norvik::DropReason>(i));
    }
    return metrics;
}

// Writes the metrics file after every search, counts the writes that fail and says so on
// standard error: at once when the error is new, and again every kRepeatSaying while it lasts,
// so that a site's log never goes silent on it.
constexpr std::chrono::minutes kRepeatSaying{10};

class MetricsWriter {
public:
    MetricsWriter(const norvik::cli::Program& program, std::string path)
        : program_(program), path_(std::move(path)) {}
    void Write(norvik::cli::WatchMetrics metrics) {
        metrics.metrics_write_failures = failures_;
        std::string error;
        if (norvik::cli::ReplaceFileContents(path_, norvik::cli::PrometheusText(metrics), error)) {
            last_error_.clear();
            return;
        }
        ++failures_;
        const auto now = std::chrono::steady_clock::now();
        if (error != last_error_ || now - last_said_ >= kRepeatSaying) {
            program_.Say(path_ + ": " + error + " (" + std::to_string(failures_) +
                         " failed writes so far)");
            last_error_ = error;
            last_said_ = now;
        }
    }

private:
    const norvik::cli::Program& program_;
    std::string path_;
    std::string last_error_;
    std::uint64_t failures_ = 0;
    std::chrono::steady_clock::time_point last_said_{};
};

int Watch(const norvik::cli::Program& program, const Options& options,
          const norvik::cli::Baseline& baseline) {
    const bool json_lines = options.json_lines || !norvik::cli::OutputIsTerminal();
    norvik::cli::DeviceWatch watch(static_cast<int>(options.lost_after));
    watch.SetBaseline(baseline.devices);
    std::optional<MetricsWriter> metrics;
    if (!options.prometheus.empty()) {
        metrics.emplace(program, options.prometheus);
    }
    DeviceSearch search(program.name(), options.trace, options.protocols, true);
    // The receive threads send the first search as they start.
    auto next_start = std::chrono::steady_clock::now();
    if (const auto failed = search.Start()) {
        return program.Fail(*failed, "cannot search");
    }
    norvik::cli::AcceptStopSignals();
    const auto stop = [] { return norvik::cli::StopRequested(); };
    const auto stop_or_announced = [&search] {
        return norvik::cli::StopRequested() || search.announcements_waiting();
    };
    // Writes the events; false when standard output cannot take them.
    const auto print = [&](const std::vector<norvik::cli::WatchEvent>& events, double when) {
        const std::string time = norvik::cli::UtcTimeText(static_cast<std::int64_t>(when));
        std::string lines;
        for (const norvik::cli::WatchEvent& event : events) {
            lines += json_lines ? norvik::cli::JsonText(norvik::cli::EventJson(event, time))
                                : norvik::cli::EventText(event, time);
        }
        if (lines.empty()) {
            return true;
        }
        program.Print(lines);
        // A reader of the pipe sees the events as they come; a log that cannot take them ends
        // the watch, which its service manager sees.
        return program.Finish(norvik::cli::kExitDone) == norvik::cli::kExitDone;
    };
    const auto interval = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        DeviceSearch::Seconds(options.interval));
    std::uint64_t searches_failed = 0;
    double last_search_timestamp = 0;
    double last_duration = 0;
    bool failing = false;  // said when it starts, and again every kRepeatSaying while it lasts
    std::chrono::steady_clock::time_point last_said_failing{};
    for (std::uint64_t done = 0; options.searches == 0 || done < options.searches; ++done) {
        if (done > 0) {
            search.SearchAgain();
        }
        const auto started = std::chrono::steady_clock::now();
        if (const auto failed = search.Wait(DeviceSearch::Seconds(options.timeout), stop)) {
            return program.Fail(*failed, search.SocketFailure());
        }
        if (stop()) {
            break;  // a search cut short would tell of devices lost that are not
        }
        if (const auto failure = search.SendFailure()) {
            // Not a search: nobody was asked, so nobody is lost for it.
            ++searches_failed;
            const auto now = std::chrono::steady_clock::now();
            if (!failing || now - last_said_failing >= kRepeatSaying) {
                program.Say("search " + std::to_string(done + 1) + " not sent: " + *failure);
                last_said_failing = now;
            }
            failing = true;
        } else {
            failing = false;
            last_duration =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            last_search_timestamp = UnixSeconds();
            auto events = watch.AfterSearch(HeardDevices(search, watch));
            // What was announced while the search listened comes after it.
            for (auto& event : AnnouncementEvents(search, watch)) {
                events.push_back(std::move(event));
            }
            if (!print(events, last_search_timestamp)) {
                return norvik::cli::kExitError;
            }
        }
        // A stop asked for meanwhile waits for the write: the file is renamed into place whole.
        if (metrics) {
            norvik::cli::WatchMetrics m = Metrics(watch, search, last_duration);
            m.last_search_timestamp_seconds = last_search_timestamp;
            m.searches_failed = searches_failed;
            metrics->Write(std::move(m));
        }
        // After a pause (a suspended PC) the next search starts now, not all those missed.
        next_start = std::max(next_start + interval, std::chrono::steady_clock::now());
        if (options.searches != 0 && done + 1 >= options.searches) {
            break;
        }
        // Until the next search, a camera's Hello or Bye is told as it comes.
        for (;;) {
            const auto wait =
                std::chrono::duration<double>(next_start - std::chrono::steady_clock::now());
            if (const auto failed = search.Wait(wait, stop_or_announced)) {
                return program.Fail(*failed, search.SocketFailure());
            }
            if (stop() || !search.announcements_waiting()) {
                break;
            }
            if (!print(AnnouncementEvents(search, watch), UnixSeconds())) {
                return norvik::cli::kExitError;
            }
        }
        if (stop()) {
            break;
        }
    }
    search.Stop();
    return program.Finish(norvik::cli::kExitDone);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string description = Description();
    norvik::cli::Program program("norvik-watch", description.c_str());
    CLI::App& app = program.app();
    Options options;
    norvik::cli::AddSecondsOption(app, "--interval", options.interval, 0,
                                  "seconds between the starts of two searches (default 30)",
                                  /*more_than_min=*/true);
    auto* timeout = norvik::cli::AddSecondsOption(
        app, "--timeout", options.timeout, 0,
        "how long each search listens (default 3, or the interval when that is shorter)");
    norvik::cli::AddCountOption(app, "--lost-after", options.lost_after, 1, 1000000,
                                "searches in a row without a device that make it lost (default 3)");
    norvik::cli::AddFileOption(
        app, "--baseline", "FILE", [&options](const std::string& file) { options.baseline = file; },
        "a saved norvik-scan --json document to compare the first search with");
    norvik::cli::AddFileOption(
        app, "--prometheus", "FILE",
        [&options](const std::string& file) { options.prometheus = file; },
        "write the metrics to FILE after every search (Prometheus text format)");
    app.add_flag("--json-lines", options.json_lines, "one JSON object a line, also on a terminal");
    app.add_flag("--trace", options.trace, "trace every request and datagram on standard error");
    norvik::cli::AddProtocolsOption(app, options.protocols);
    norvik::cli::AddCountOption(app, "--searches", options.searches, 1,
                                std::numeric_limits<std::uint64_t>::max(),
                                "stop after N searches (default: never)");
    if (const auto exit_code = program.Parse(argc, argv)) {
        return *exit_code;
    }
    if (timeout->count() == 0) {
        options.timeout = std::min(options.timeout, options.interval);
    } else if (options.timeout > options.interval) {
        return program.UsageError("--timeout: a search cannot listen longer than the --interval");
    }
    norvik::cli::Baseline baseline;
    if (!options.baseline.empty()) {
        std::string error;
        const auto text =
            norvik::cli::ReadWholeFile(options.baseline, norvik::cli::kMaxBaselineBytes, error);
        if (!text) {
            return program.UsageError("--baseline " + options.baseline + ": " + error);
        }
        baseline = norvik::cli::ReadBaseline(*text);
        if (!baseline.error.empty()) {
            return program.UsageError("--baseline " + options.baseline +
                                      ": not a saved norvik-scan --json document: " +
                                      baseline.error);
        }
    }
    // Before any file is made: a stop asked for while the metrics file is tried waits until
    // the trial file is gone.
    norvik::cli::InstallStopHandlers();
    if (!options.prometheus.empty()) {
        // Now rather than after the first search: a service that cannot write its metrics
        // fails to start, where its manager shows why.
        std::string error;
        if (!norvik::cli::CheckReplaceable(options.prometheus, error)) {
            return program.Fail(norvik::cli::kExitUsage,
                                "--prometheus " + options.prometheus + ": " + error);
        }
    }
    const int exit_code = Watch(program, options, baseline);
    norvik::cli::StopFinished();
    return exit_code;
}
