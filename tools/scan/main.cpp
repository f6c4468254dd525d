// norvik-scan: finds the devices of the local network the way the Norvik window does, without
// a window, and prints what it found.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>

#include "console_text.h"
#include "discovery.h"
#include "list_lock.h"
#include "memory_list_view.h"
#include "nothing_arrived.h"
#include "scan_output.h"
#include "udp_socket.h"
#include "user_messages.h"

namespace {

constexpr int kUsageExitCode = 2;
constexpr double kMaxTimeoutSeconds = 24 * 60 * 60;

struct Options {
    double timeout_seconds = 3;
    bool json = false;
    bool trace = false;
};

void PrintUsage(std::FILE* to) {
    std::fputs(
        "usage: norvik-scan [--timeout SECONDS] [--json] [--trace]\n"
        "Broadcasts both search requests through every network card, listens for SECONDS\n"
        "(default 3) and prints the devices found: one line a row (number, name, address,\n"
        "separated by tabs), or with --json one JSON document with the rows and the device\n"
        "records. With --trace it also writes to standard error a line for every request\n"
        "sent and for every datagram received, with what became of it.\n",
        to);
}

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") == 0) {
            options.json = true;
        } else if (std::strcmp(argv[i], "--trace") == 0) {
            options.trace = true;
        } else if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
            char* end = nullptr;
            const double seconds = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != '\0' || !(seconds >= 0) || seconds > kMaxTimeoutSeconds) {
                std::fprintf(stderr, "norvik-scan: --timeout takes seconds from 0 to %.0f\n",
                             kMaxTimeoutSeconds);
                return std::nullopt;
            }
            options.timeout_seconds = seconds;
        } else {
            PrintUsage(stderr);
            return std::nullopt;
        }
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    norvik::PrepareConsoleStreams();
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        PrintUsage(stdout);
        return 0;
    }
    const auto options = ParseOptions(argc, argv);
    if (!options) {
        return kUsageExitCode;
    }

    if (!norvik::StartSockets()) {
        std::fputs("norvik-scan: cannot start the socket layer\n", stderr);
        return 1;
    }
    norvik::ListLock lock(norvik::ListLock::DefaultPath());
    norvik::MemoryListView view;
    // With --json, standard output carries the document alone.
    norvik::ConsoleUserMessages messages(options->json ? stderr : stdout);
    if (options->trace) {
        messages.TraceTo(stderr);
    }

    std::mutex mutex;
    std::condition_variable failed;
    std::optional<int> failure_exit_code;
    norvik::Discovery discovery(lock, view, messages, [&](int exit_code) {
        std::lock_guard guard(mutex);
        failure_exit_code = exit_code;
        failed.notify_all();
    });
    const auto started = discovery.Start();
    if (!started.receiver_3297 || !started.pcedit_receiver) {
        std::fputs("norvik-scan: cannot start a receive thread\n", stderr);
        return 1;
    }
    {
        std::unique_lock guard(mutex);
        failed.wait_for(guard, std::chrono::duration<double>(options->timeout_seconds),
                        [&] { return failure_exit_code.has_value(); });
        if (failure_exit_code) {
            const int exit_code = *failure_exit_code;
            guard.unlock();
            discovery.Stop();
            return exit_code;
        }
    }
    discovery.Stop();
    // Without a wait nothing could have come; after one, silence usually means a firewall.
    if (discovery.arrivals() == 0 && options->timeout_seconds > 0) {
        norvik::WriteText(stderr,
                          norvik::NothingArrivedHere("norvik-scan", options->timeout_seconds));
    }
    const std::string output = options->json ? norvik::FormatAsJson(view, discovery.devices())
                                             : norvik::FormatRowsAsText(view);
    norvik::WriteText(stdout, output);
    return 0;
}
