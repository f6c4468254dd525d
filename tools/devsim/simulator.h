#pragma once

#include <chrono>

#include "devsim/device.h"

namespace norvik::devsim {

struct SimulatorSettings {
    bool announce = false;  // send every report once before waiting
    int count = 1;          // rounds of reports per answer
    std::chrono::milliseconds reply_delay{0};
    bool reject_all = false;  // every device refuses set requests with a type-3 report
    bool verbose = false;
};

// Answers searches and applies set requests until SIGTERM or SIGINT; SIGUSR1 prints the
// device table. Returns the exit status.
int RunSimulator(DeviceTable table, const SimulatorSettings& settings);

}  // namespace norvik::devsim
