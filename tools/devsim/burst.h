#pragma once

#include <cstdint>

#include "devsim/generate.h"
#include "devsim/options.h"

namespace norvik::devsim {

struct BurstSettings {
    std::uint32_t devices = 0;
    BurstProtocol protocol = BurstProtocol::kBoth;
    double rate = 0;  // reports per second; 0: as fast as possible
    int rounds = 1;
    GeneratorBase base;
    bool churn = false;  // round r moves every device's address up by r and renames it
    int junk_every = 0;  // a junk datagram after every this many reports; 0: none
};

// Sends the reports, prints "sent N in S seconds" and returns the exit status.
int RunBurst(const BurstSettings& settings);

}  // namespace norvik::devsim
