#pragma once

#include <string>

namespace norvik::cli {

struct PlanSettings {
    std::string file;
    bool yes = false;    // answer the subnet question for every device
    bool force = false;  // send a new address that another device has already
    bool dry_run = false;
    bool no_verify = false;
    double timeout_seconds = 3;
    double verify_timeout_seconds = 30;
    bool json = false;
};

// Sets every device of a plan file: searches, checks the whole plan against what was found
// (every problem with its line, and then nothing sent), sends one request a device at most
// 20 a second, verifies them all together and prints a summary. Returns the exit code: 0
// when every device applied, otherwise the worst outcome's.
int RunPlan(const PlanSettings& settings);

}  // namespace norvik::cli
