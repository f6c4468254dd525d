// norvik-watch's memory over hours of a busy site, compressed into minutes: a simulator of
// 1,000 devices where, after every search, some devices leave and new ones come (MACs never
// seen before) and some others change name and address; norvik-watch searching every 0.5 s
// instead of every 30 s. Its resident memory (VmRSS) is read after every search. All of it in a
// private network namespace of its own.
//
//   norvik-bench-watch-memory [--devices N] [--replace N] [--move N] [--searches N]
//                             [--interval S] [--timeout S]
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "device_list.h"
#include "private_network.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

// The most devices norvik-watch keeps.
constexpr long kMaxDevices = static_cast<long>(norvik::DeviceList::kMaxDevices);

struct Options {
    unsigned devices = 1000;
    unsigned replace = 50;  // per search: 5 % of the devices new
    unsigned move = 20;     // per search: 2 % renamed and readdressed
    // 120 searches are an hour at the default 30 s; with the defaults above norvik-watch keeps
    // its bound of 16,384 devices from about the 310th on, so 600 run about as long again at
    // the bound, forgetting the devices lost longest ago.
    unsigned searches = 600;
    double interval = 0.5;
    double timeout = 0.3;  // long enough to hear 1,000 devices answering at once
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        char* end = nullptr;
        const double value = std::strtod(argv[i + 1], &end);
        if (*end != '\0' || value < 0) {
            return false;
        }
        if (name == "--devices" && value >= 2) {
            options.devices = static_cast<unsigned>(value);
        } else if (name == "--replace") {
            options.replace = static_cast<unsigned>(value);
        } else if (name == "--move") {
            options.move = static_cast<unsigned>(value);
        } else if (name == "--searches" && value >= 20) {
            options.searches = static_cast<unsigned>(value);
        } else if (name == "--interval" && value >= 0.2) {
            options.interval = value;
        } else if (name == "--timeout" && value >= 0.1) {
            options.timeout = value;
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && options.timeout < options.interval;
}

// Starts a program with its standard output thrown away; its process id, or -1.
pid_t Start(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        std::fprintf(stderr, "norvik-bench-watch-memory: cannot start %s: %s\n", argv[0],
                     std::strerror(error));
        return -1;
    }
    return pid;
}

// VmRSS of the process in KiB, or nothing once it has gone.
std::optional<long> ResidentKib(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return std::nullopt;
}

struct Metrics {
    std::string last_search;  // norvik_last_search_timestamp_seconds, as written
    long devices_kept = 0;    // norvik_device_up series
    long devices_heard = 0;   // norvik_devices
};

// The metrics file norvik-watch replaces after every search (whole, by a rename).
std::optional<Metrics> ReadMetrics(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        return std::nullopt;
    }
    Metrics metrics;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("norvik_device_up{", 0) == 0) {
            ++metrics.devices_kept;
        } else if (line.rfind("norvik_devices ", 0) == 0) {
            metrics.devices_heard = std::strtol(line.c_str() + 15, nullptr, 10);
        } else if (line.rfind("norvik_last_search_timestamp_seconds ", 0) == 0) {
            metrics.last_search = line;
        }
    }
    return metrics;
}

struct Sample {
    unsigned search = 0;
    long rss_kib = 0;
    long devices_kept = 0;
    long devices_heard = 0;
};

void PrintSample(const char* what, const Sample& sample) {
    std::printf("%-24s search %4u  rss %7ld KiB  devices kept %6ld  heard %5ld\n", what,
                sample.search, sample.rss_kib, sample.devices_kept, sample.devices_heard);
}

int Stop(pid_t pid) {
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(
            stderr,
            "usage: norvik-bench-watch-memory [--devices N] [--replace N] [--move N] "
            "[--searches N (20 or more)] [--interval S (0.2 or more)] [--timeout S (less)]\n");
        return 2;
    }
    const auto entered =
        norvik::netns::EnterPrivateNetwork(norvik::netns::BroadcastRoute::kLoopback);
    if (!entered.entered) {
        std::fprintf(stderr, "norvik-bench-watch-memory: no private network namespace: %s\n",
                     entered.reason.c_str());
        return 1;
    }
    char directory[] = "/tmp/norvik-watch-memory-XXXXXX";
    if (::mkdtemp(directory) == nullptr) {
        std::perror("norvik-bench-watch-memory: mkdtemp");
        return 1;
    }
    const std::string metrics_file = std::string(directory) + "/norvik.prom";

    const unsigned pcedit = options.devices / 2;
    const pid_t devsim =
        Start({NORVIK_DEVSIM_PATH, "--pcedit", std::to_string(pcedit), "--3297",
               std::to_string(options.devices - pcedit), "--replace",
               std::to_string(options.replace), "--move", std::to_string(options.move)});
    std::this_thread::sleep_for(500ms);  // its sockets bound
    char interval[32];
    std::snprintf(interval, sizeof interval, "%g", options.interval);
    char timeout[32];
    std::snprintf(timeout, sizeof timeout, "%g", options.timeout);
    const pid_t watch =
        Start({NORVIK_WATCH_PATH, "--interval", interval, "--timeout", timeout, "--prometheus",
               metrics_file, "--searches", std::to_string(options.searches)});
    if (devsim < 0 || watch < 0) {
        return 1;
    }

    std::printf(
        "norvik-watch memory: %u devices (%u PCEdit, %u 3297), after every search %u "
        "replaced by new ones and %u renamed and readdressed; %u searches every %s s "
        "(at 30 s: %.1f hours)\n",
        options.devices, pcedit, options.devices - pcedit, options.replace, options.move,
        options.searches, interval, options.searches * 30.0 / 3600);
    std::vector<Sample> samples;
    std::string last_search;
    const unsigned warm_up = 10;
    const unsigned one_hour = 120;
    int status = 0;
    for (;;) {
        const pid_t ended = ::waitpid(watch, &status, WNOHANG);
        const std::optional<Metrics> metrics = ReadMetrics(metrics_file);
        if (metrics && !metrics->last_search.empty() && metrics->last_search != last_search) {
            last_search = metrics->last_search;
            const std::optional<long> rss = ResidentKib(watch);
            if (rss) {
                samples.push_back({static_cast<unsigned>(samples.size() + 1), *rss,
                                   metrics->devices_kept, metrics->devices_heard});
                const Sample& sample = samples.back();
                if (sample.search == 1 || sample.search == warm_up || sample.search == one_hour ||
                    sample.search % 50 == 0) {
                    PrintSample("", sample);
                    std::fflush(stdout);
                }
            }
        }
        if (ended == watch) {
            break;
        }
        std::this_thread::sleep_for(10ms);
    }
    // The simulator ends on SIGTERM with exit code 0; anything else is a failure.
    const int devsim_status = Stop(devsim);
    ::unlink(metrics_file.c_str());
    ::rmdir(directory);
    const bool watch_ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    const bool devsim_ok = WIFEXITED(devsim_status) && WEXITSTATUS(devsim_status) == 0;
    if (!watch_ok || !devsim_ok) {
        std::fprintf(stderr, "norvik-bench-watch-memory: %s failed\n",
                     watch_ok ? "the simulator" : "norvik-watch");
        return 1;
    }
    // A sample may be missed when two searches end within one poll; the figures say which.
    if (samples.size() < warm_up + 1) {
        std::fprintf(stderr, "norvik-bench-watch-memory: only %zu searches seen\n", samples.size());
        return 1;
    }
    const Sample& first = samples.front();
    const Sample& warm = samples[warm_up - 1];
    const Sample& last = samples.back();
    auto peak_from = [&](std::size_t from) {
        Sample peak = samples[from];
        for (std::size_t i = from; i < samples.size(); ++i) {
            peak = samples[i].rss_kib > peak.rss_kib ? samples[i] : peak;
        }
        return peak;
    };
    std::printf("\n");
    PrintSample("start:", first);
    PrintSample("after warm-up:", warm);
    if (samples.size() >= one_hour) {
        PrintSample("after one hour at 30 s:", samples[one_hour - 1]);
    }
    // From the first search at which norvik-watch keeps its most devices on, memory must stay
    // flat however many more come and go.
    std::size_t full = 0;
    while (full < samples.size() && samples[full].devices_kept < kMaxDevices) {
        ++full;
    }
    if (full < samples.size()) {
        PrintSample("bound reached:", samples[full]);
    }
    PrintSample("end:", last);
    PrintSample("peak:", peak_from(0));
    if (full < samples.size()) {
        PrintSample("peak at the bound:", peak_from(full));
        std::printf("growth at the bound: %+ld KiB over %zu searches\n",
                    last.rss_kib - samples[full].rss_kib, samples.size() - 1 - full);
    }
    std::printf("growth after warm-up: %+ld KiB\n", last.rss_kib - warm.rss_kib);
    std::printf("devices the simulator played: about %lu\n",
                static_cast<unsigned long>(options.devices) +
                    static_cast<unsigned long>(options.replace) * samples.size());
    return 0;
}
