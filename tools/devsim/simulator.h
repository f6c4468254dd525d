#pragma once

#include <chrono>

#include "devsim/churn.h"
#include "devsim/device.h"
#include "devsim/generate.h"

namespace norvik::devsim {

struct SimulatorSettings {
    bool announce = false;  // send every report once before waiting
    int count = 1;          // rounds of reports per answer
    std::chrono::milliseconds reply_delay{0};
    bool reject_all = false;  // every device refuses set requests with a type-3 report
    bool verbose = false;
    ChurnSettings churn;
    GeneratorBase base;                      // where the devices that come in are generated
    std::uint32_t next_generated_index = 0;  // the first index of a device that comes in
    std::uint32_t onvif_flood = 0;  // made-up cameras' ProbeMatches after each Probe
};

// Answers searches and applies set requests until SIGTERM or SIGINT; SIGUSR1 prints the
// device table. Returns the exit status.
int RunSimulator(DeviceTable table, const SimulatorSettings& settings);

}  // namespace norvik::devsim
