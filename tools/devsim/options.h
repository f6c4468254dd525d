#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "devsim/churn.h"
#include "devsim/generate.h"

namespace norvik::devsim {

enum class BurstProtocol { kPcEdit, k3297, kBoth };

struct Options {
    bool help = false;
    std::vector<std::string> files;
    std::uint32_t pcedit_devices = 0;
    std::uint32_t devices_3297 = 0;
    GeneratorBase base;
    bool announce = false;
    int count = 1;
    int reply_delay_ms = 0;
    bool reject_set = false;
    bool verbose = false;
    bool real_network = false;
    ChurnSettings churn_devices;  // after every PCEdit search answered
    std::uint32_t onvif_flood = 0;  // ProbeMatches of made-up cameras after each Probe

    std::optional<std::uint32_t> burst;  // set: burst mode
    BurstProtocol burst_protocol = BurstProtocol::kBoth;
    double rate = 0;  // reports per second; 0: as fast as possible
    int repeat = 1;
    bool churn = false;  // burst: addresses and names change from round to round
    int junk_every = 0;  // burst: a junk datagram after every this many reports; 0: none
};

// The options, or the reason they make no sense in error.
Options ParseOptions(const std::vector<std::string>& args, std::string& error);
std::string UsageText();

}  // namespace norvik::devsim
