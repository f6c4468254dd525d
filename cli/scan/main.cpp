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
#include "quoted_if_odd.h"
#include "site_cameras.h"
#include "trace.h"
#include "utf.h"

namespace {

constexpr const char* kDescription =
    "Broadcasts both search requests and an ONVIF (WS-Discovery) Probe through every network\n"
    "card, listens for SECONDS (default 3) and prints the devices found: one line a row\n"
    "(number, name, address, separated by tabs), or with --json one JSON document with the\n"
    "rows and the device records, or with --csv the devices in the columns of norvik-set's\n"
    "plan file. An ONVIF camera that is none of the devices has a row numbered \"-\" after\n"
    "them (in the CSV a comment line: nothing can be set on it); a row of a device that\n"
    "answers ONVIF has a column \"onvif: ENDPOINT\". A device whose settings look wrong\n"
    "has warnings: a column \"warnings: ...\" of its row, a list in its JSON record. With\n"
    "--trace it also writes to standard error a line for every request sent and for every\n"
    "datagram received, with what became of it. A name that holds a control character or\n"
    "bytes that are not UTF-8, or begins with a quote, is printed quoted, as in JSON.\n"
    "Exit status: 0 done (also when no device answered), 1 network or system error (the\n"
    "search could not be sent, standard output could not be written), 2 bad usage.";

using Warnings = std::vector<std::vector<std::string>>;

// What a row says after its address: the camera's endpoint, then the warnings.
std::string RowTail(const norvik::OnvifDevice* camera, const std::vector<std::string>* warnings) {
    std::string tail;
    if (camera != nullptr) {
        tail += "\tonvif: " + norvik::QuotedIfOdd(camera->match.endpoint);
    }
    if (warnings != nullptr && !warnings->empty()) {
        tail += "\twarnings:";
        for (const std::string& warning : *warnings) {
            tail += ' ' + warning;
        }
    }
    return tail + '\n';
}

// The rows in list-view order, one line each: number, name and address, separated by tabs,
// then the device's camera endpoint and warnings, if it has any; then a row "-" for each camera
// that is none of the devices.
std::string RowsAsText(const norvik::MemoryListView& view, const norvik::DeviceList& devices,
                       const norvik::cli::SiteCameras& cameras, const Warnings& warnings) {
    struct Tail {
        const norvik::OnvifDevice* camera;
        const std::vector<std::string>* warnings;
    };
    std::map<int, Tail> tail_by_row;
    std::size_t i = 0;
    for (const norvik::DeviceRecord& device : devices) {
        tail_by_row[device.list_index + 1] = {cameras.Of(device), &warnings[i++]};
    }
    std::string out;
    for (const auto& row : view.rows()) {
        // A name is any bytes a device sends: it must not split or forge a row.
        out += norvik::Utf16ToUtf8(row[0]) + '\t' +
               norvik::QuotedIfOdd(norvik::Utf16ToUtf8(row[1])) + '\t' +
               norvik::Utf16ToUtf8(row[2]);
        const auto found = tail_by_row.find(norvik::ReadLeadingInteger(row[0]));
        out += found != tail_by_row.end() ? RowTail(found->second.camera, found->second.warnings)
                                          : "\n";
    }
    for (const norvik::OnvifDevice* camera : cameras.alone()) {
        out += "-\t" + norvik::QuotedIfOdd(camera->fields.name) + '\t' +
               norvik::Utf16ToUtf8(norvik::AddressText(camera->source)) +
               RowTail(camera, &warnings[i++]);
    }
    return out;
}

// A name the CSV cannot hold exactly is left empty, which a plan reads as "keep it": said, so
// that the person knows why the cell is blank.
std::string DevicesAsCsv(const norvik::cli::Program& program, const norvik::DeviceList& devices,
                         const norvik::cli::SiteCameras& cameras) {
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
    // A camera of ONVIF alone has nothing norvik-set can change: a comment line, which a plan
    // passes over, keeps it in sight. Its texts are quoted as in JSON, so that no line end in
    // them can start a row.
    const auto quoted = [](const std::string& text) {
        return norvik::cli::Json(text).dump(-1, ' ', false,
                                            norvik::cli::Json::error_handler_t::replace);
    };
    for (const norvik::OnvifDevice* camera : cameras.alone()) {
        out += "# onvif only, not a plan row: " + norvik::DottedAddress(camera->source) + ' ' +
               quoted(camera->fields.name) + ' ' + quoted(camera->match.endpoint) + '\n';
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
    norvik::cli::SearchProtocols protocols;
    norvik::cli::AddProtocolsOption(app, protocols);
    if (const auto exit_code = program.Parse(argc, argv)) {
        return *exit_code;
    }

    norvik::cli::DeviceSearch search(program.name(), trace, protocols);
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
    const norvik::cli::SiteCameras cameras(search.Cameras(), devices);
    if (csv) {
        program.Print(DevicesAsCsv(program, devices, cameras));
        return program.Finish(norvik::cli::kExitDone);
    }
    const std::vector<norvik::DeviceRecord> records(devices.begin(), devices.end());
    const Warnings warnings =
        norvik::cli::DeviceWarnings(records, norvik::BroadcastInterfaces(), cameras);
    if (program.json()) {
        // Written as it goes: the whole document of a full list would be several times its
        // size. A failed write is seen by Finish.
        norvik::cli::WriteScanJson([&](std::string_view piece) { program.Print(piece); },
                                   search.view(), devices, cameras, warnings);
        return program.Finish(norvik::cli::kExitDone);
    }
    program.Print(RowsAsText(search.view(), devices, cameras, warnings));
    return program.Finish(norvik::cli::kExitDone);
}
