#pragma once

#include <string>

#include "audit_trail.h"
#include "program.h"

namespace norvik::cli {

struct PlanSettings {
    std::string file;    // "-": standard input
    bool yes = false;    // answer the subnet question for every device
    bool force = false;  // let through what the stricter checks refuse
    bool dry_run = false;
    bool no_verify = false;
    double timeout_seconds = 3;
    double verify_timeout_seconds = 30;
};

// Sets every device of a plan file: searches, checks the whole plan against what was found
// (every problem with its line, and then nothing sent), sends one request a device at most
// 20 a second (each recorded in `trail` first), verifies them all together and prints a
// summary. Returns the exit code: 0 when every device applied, otherwise the worst outcome's.
int RunPlan(const Program& program, const PlanSettings& settings, AuditTrail& trail);

}  // namespace norvik::cli
