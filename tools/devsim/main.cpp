// norvik-devsim: simulated PCEdit and 3297 devices for the tests, the demo and the benchmarks.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "devsim/burst.h"
#include "devsim/description.h"
#include "devsim/generate.h"
#include "devsim/network_guard.h"
#include "devsim/options.h"
#include "devsim/simulator.h"

namespace {

using namespace norvik::devsim;

constexpr int kExitBadInput = 2;
constexpr int kExitRealNetwork = 3;

// Adds the entries of each file to the table; false after printing every error found.
bool ReadDescriptions(const std::vector<std::string>& files, DeviceTable& table) {
    bool ok = true;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "norvik-devsim: cannot read %s\n", file.c_str());
            ok = false;
            continue;
        }
        std::ostringstream text;
        text << in.rdbuf();
        auto parsed = ParseDescription(text.str());
        for (const auto& error : parsed.errors) {
            std::fprintf(stderr, "%s:%d: %s\n", file.c_str(), error.line, error.message.c_str());
        }
        ok = ok && parsed.errors.empty();
        table.devices.insert(table.devices.end(), parsed.table.devices.begin(),
                             parsed.table.devices.end());
        table.raw.insert(table.raw.end(), parsed.table.raw.begin(), parsed.table.raw.end());
        table.cameras.insert(table.cameras.end(), parsed.table.cameras.begin(),
                             parsed.table.cameras.end());
        table.onvif_raw.insert(table.onvif_raw.end(), parsed.table.onvif_raw.begin(),
                               parsed.table.onvif_raw.end());
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const Options options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!error.empty()) {
        std::fprintf(stderr, "norvik-devsim: %s (see --help)\n", error.c_str());
        return kExitBadInput;
    }
    if (options.help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    DeviceTable table;
    if (!ReadDescriptions(options.files, table)) {
        return kExitBadInput;
    }
    std::uint32_t index = 0;
    for (std::uint32_t i = 0; i < options.pcedit_devices; ++i) {
        table.devices.push_back(GenerateDevice(Protocol::kPcEdit, index++, options.base));
    }
    for (std::uint32_t i = 0; i < options.devices_3297; ++i) {
        table.devices.push_back(GenerateDevice(Protocol::k3297, index++, options.base));
    }
    // Checked last, so that bad input is reported wherever the simulator runs.
    if (!options.real_network) {
        const std::string reason = RealNetworkInterfaces();
        if (!reason.empty()) {
            std::fprintf(stderr,
                         "norvik-devsim: refusing to broadcast onto a real network (%s); run "
                         "inside a private network namespace (norvik-netns -- norvik-devsim "
                         "...) or give --real-network\n",
                         reason.c_str());
            return kExitRealNetwork;
        }
    }
    if (options.burst) {
        return RunBurst({*options.burst, options.burst_protocol, options.rate, options.repeat,
                         options.base, options.churn, options.junk_every});
    }
    return RunSimulator(
        std::move(table),
        {options.announce, options.count, std::chrono::milliseconds(options.reply_delay_ms),
         options.reject_set, options.verbose, options.churn_devices, options.base, index,
         options.onvif_flood});
}
