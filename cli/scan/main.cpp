// norvik-scan: finds the devices of the local network the way the Norvik window does, without
// a window, and prints what it found.
#include <map>

#include "command_line.h"
#include "console_text.h"
#include "device_json.h"
#include "device_search.h"
#include "device_text.h"
#include "device_warnings.h"
#include "exit_codes.h"
#include "nothing_arrived.h"
#include "plan_csv.h"
#include "utf.h"

namespace {

constexpr const char* kDescription =
    "Broadcasts both search requests through every network card, listens for SECONDS\n"
    "(default 3) and prints the devices found: one line a row (number, name, address,\n"
    "separated by tabs), or with --json one JSON document with the rows and the device\n"
    "records, or with --csv the devices in the columns of norvik-set's plan file. A\n"
    "device whose settings look wrong has warnings: a fourth column of its row, a list\n"
    "in its JSON record. With --trace it also writes to standard error a line for every\n"
    "request sent and for every datagram received, with what became of it.";

using Warnings = std::vector<std::vector<std::string>>;

// The rows in list-view order, one line each: number, name and address, separated by tabs,
// and the device's warnings, if it has any.
std::string RowsAsText(const norvik::MemoryListView& view, const norvik::DeviceList& devices,
                       const Warnings& warnings) {
    std::map<int, const std::vector<std::string>*> warnings_by_row;
    std::size_t i = 0;
    for (const norvik::DeviceRecord& device : devices) {
        warnings_by_row[device.list_index + 1] = &warnings[i++];
    }
    std::string out;
    for (const auto& row : view.rows()) {
        out += norvik::Utf16ToUtf8(row[0] + u'\t' + row[1] + u'\t' + row[2]);
        const auto found = warnings_by_row.find(norvik::ReadLeadingInteger(row[0]));
        if (found != warnings_by_row.end() && !found->second->empty()) {
            out += "\twarnings:";
            for (const std::string& warning : *found->second) {
                out += ' ' + warning;
            }
        }
        out += '\n';
    }
    return out;
}

std::string DevicesAsCsv(const norvik::DeviceList& devices) {
    std::string out = norvik::cli::PlanCsvHeader();
    for (const norvik::DeviceRecord& device : devices) {
        out += norvik::cli::PlanCsvRow(device);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    norvik::PrepareConsoleStreams();
    CLI::App app(kDescription, "norvik-scan");
    double timeout_seconds = 3;
    bool json = false;
    bool csv = false;
    bool trace = false;
    norvik::cli::AddSecondsOption(app, "--timeout", timeout_seconds,
                                  "how long to listen for answers (default 3)");
    auto* json_option = app.add_flag("--json", json, "print one JSON document");
    app.add_flag("--csv", csv, "print the devices as a plan file for norvik-set")
        ->excludes(json_option);
    app.add_flag("--trace", trace, "trace every request and datagram on standard error");
    if (const auto exit_code = norvik::cli::ParseCommandLine(app, argc, argv)) {
        return *exit_code;
    }

    // With --json or --csv, standard output carries the document alone.
    norvik::cli::DeviceSearch search(json || csv ? stderr : stdout, trace);
    if (const auto failed = search.Start("norvik-scan")) {
        return *failed;
    }
    if (const auto failed = search.Wait(norvik::cli::DeviceSearch::Seconds(timeout_seconds))) {
        return *failed;
    }
    search.Stop();
    // Without a wait nothing could have come; after one, silence usually means a firewall.
    if (search.arrivals() == 0 && timeout_seconds > 0) {
        norvik::WriteText(stderr, norvik::NothingArrivedHere("norvik-scan", timeout_seconds));
    }
    const norvik::DeviceList& devices = search.devices();
    if (csv) {
        norvik::WriteText(stdout, DevicesAsCsv(devices));
        return norvik::cli::kExitDone;
    }
    const std::vector<norvik::DeviceRecord> records(devices.begin(), devices.end());
    const Warnings warnings = norvik::cli::DeviceWarnings(records, norvik::BroadcastInterfaces());
    if (json) {
        // Written as it goes: the whole document of a full list would be several times its size.
        if (!norvik::cli::WriteScanJson(stdout, search.view(), devices, warnings)) {
            norvik::WriteText(stderr,
                              "norvik-scan: could not write the document to standard output\n");
            return norvik::cli::kExitNetworkError;
        }
        return norvik::cli::kExitDone;
    }
    norvik::WriteText(stdout, RowsAsText(search.view(), devices, warnings));
    return norvik::cli::kExitDone;
}
