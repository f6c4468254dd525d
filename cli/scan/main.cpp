// norvik-scan: finds the devices of the local network the way the Norvik window does, without
// a window, and prints what it found.
#include "command_line.h"
#include "console_text.h"
#include "device_json.h"
#include "device_search.h"
#include "exit_codes.h"
#include "utf.h"

namespace {

constexpr const char* kDescription =
    "Broadcasts both search requests through every network card, listens for SECONDS\n"
    "(default 3) and prints the devices found: one line a row (number, name, address,\n"
    "separated by tabs), or with --json one JSON document with the rows and the device\n"
    "records. With --trace it also writes to standard error a line for every request\n"
    "sent and for every datagram received, with what became of it.";

// The rows in list-view order, one line each: number, name and address, separated by tabs.
std::string RowsAsText(const norvik::MemoryListView& view) {
    std::string out;
    for (const auto& row : view.rows()) {
        out += norvik::Utf16ToUtf8(row[0] + u'\t' + row[1] + u'\t' + row[2] + u'\n');
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    norvik::PrepareConsoleStreams();
    CLI::App app(kDescription, "norvik-scan");
    double timeout_seconds = 3;
    bool json = false;
    bool trace = false;
    norvik::cli::AddSecondsOption(app, "--timeout", timeout_seconds,
                                  "how long to listen for answers (default 3)");
    app.add_flag("--json", json, "print one JSON document");
    app.add_flag("--trace", trace, "trace every request and datagram on standard error");
    if (const auto exit_code = norvik::cli::ParseCommandLine(app, argc, argv)) {
        return *exit_code;
    }

    // With --json, standard output carries the document alone.
    norvik::cli::DeviceSearch search(json ? stderr : stdout, trace);
    if (const auto failed = search.Start("norvik-scan")) {
        return *failed;
    }
    if (const auto failed = search.Wait(norvik::cli::DeviceSearch::Seconds(timeout_seconds))) {
        return *failed;
    }
    search.Stop();
    norvik::WriteText(
        stdout, json ? norvik::cli::JsonText(norvik::cli::ScanJson(search.view(), search.devices()))
                     : RowsAsText(search.view()));
    return norvik::cli::kExitDone;
}
