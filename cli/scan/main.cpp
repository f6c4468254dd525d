// norvik-scan: finds the devices of the local network the way the Norvik window does, without
// a window, and prints what it found.
#include <map>

#include "command_line.h"
#include "device_json.h"
#include "device_search.h"
#include "device_text.h"
#include "device_warnings.h"
#include "exit_codes.h"
#include "network_interfaces.h"
#include "plan_csv.h"
#include "program.h"
#include "utf.h"

namespace {

constexpr const char* kDescription =
    "Broadcasts both search requests through every network card, listens for SECONDS\n"
    "(default 3) and prints the devices found: one line a row (number, name, address,\n"
    "separated by tabs), or with --json one JSON document with the rows and the device\n"
    "records, or with --csv the devices in the columns of norvik-set's plan file. A\n"
    "device whose settings look wrong has warnings: a fourth column of its row, a list\n"
    "in its JSON record. With --trace it also writes to standard error a line for every\n"
    "request sent and for every datagram received, with what became of it. A name that holds\n"
    "a control character or begins with a quote is printed quoted, as in JSON.\n"
    "Exit status: 0 done (also when no device answered), 1 network or system error (the\n"
    "search could not be sent, standard output could not be written), 2 bad usage.";

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
        // A name is any bytes a device sends: it must not split or forge a row.
        out += norvik::Utf16ToUtf8(row[0]) + '\t' +
               norvik::cli::QuotedIfOdd(norvik::Utf16ToUtf8(row[1])) + '\t' +
               norvik::Utf16ToUtf8(row[2]);
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

// A name the CSV cannot hold exactly is left empty, which a plan reads as "keep it": said, so
// that the person knows why the cell is blank.
std::string DevicesAsCsv(const norvik::cli::Program& program, const norvik::DeviceList& devices) {
    std::string out = norvik::cli::PlanCsvHeader();
    for (const norvik::DeviceRecord& device : devices) {
        bool name_left_empty = false;
        out += norvik::cli::PlanCsvRow(device, &name_left_empty);
        if (name_left_empty) {
            program.Say(norvik::Utf16ToUtf8(norvik::MacText(device.mac)) +
                        ": its name is not text a CSV file can hold exactly (name_hex " +
                        norvik::cli::HexText(device.name) +
                        "); its cell is left empty, which a plan reads as keeping it");
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    norvik::cli::Program program("norvik-scan", kDescription);
    CLI::App& app = program.app();
    double timeout_seconds = 3;
    bool csv = false;
    bool trace = false;
    norvik::cli::AddSecondsOption(app, "--timeout", timeout_seconds, 0,
                                  "how long to listen for answers (default 3)");
    auto* json_option = program.AddJsonFlag("print one JSON document, also on errors");
    app.add_flag("--csv", csv, "print the devices as a plan file for norvik-set")
        ->excludes(json_option);
    app.add_flag("--trace", trace, "trace every request and datagram on standard error");
    if (const auto exit_code = program.Parse(argc, argv)) {
        return *exit_code;
    }

    norvik::cli::DeviceSearch search(program.name(), trace);
    if (const auto failed = search.Start()) {
        return program.Fail(*failed, "cannot search");
    }
    if (const auto failed = search.Wait(norvik::cli::DeviceSearch::Seconds(timeout_seconds))) {
        return program.Fail(*failed, search.SocketFailure());
    }
    search.Stop();
    if (const auto failure = search.SendFailure()) {
        return program.Fail(norvik::cli::kExitError, *failure);
    }
    search.SayIfNothingArrived(timeout_seconds);
    const norvik::DeviceList& devices = search.devices();
    if (csv) {
        program.Print(DevicesAsCsv(program, devices));
        return program.Finish(norvik::cli::kExitDone);
    }
    const std::vector<norvik::DeviceRecord> records(devices.begin(), devices.end());
    const Warnings warnings = norvik::cli::DeviceWarnings(records, norvik::BroadcastInterfaces());
    if (program.json()) {
        // Written as it goes: the whole document of a full list would be several times its
        // size. A failed write is seen by Finish.
        norvik::cli::WriteScanJson(stdout, search.view(), devices, warnings);
        return program.Finish(norvik::cli::kExitDone);
    }
    program.Print(RowsAsText(search.view(), devices, warnings));
    return program.Finish(norvik::cli::kExitDone);
}
