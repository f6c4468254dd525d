#pragma once

#include <CLI/CLI.hpp>
#include <optional>

namespace norvik::cli {

// The longest wait an option accepts: a day, in seconds.
inline constexpr double kMaxWaitSeconds = 24 * 60 * 60;

// Adds an option that takes seconds (fractions allowed) from 0 to kMaxWaitSeconds.
CLI::Option* AddSecondsOption(CLI::App& app, const std::string& name, double& seconds,
                              const std::string& description);

// Parses the command line (as UTF-8 on every platform). Returns the exit code to end with:
// 0 after --help (the usage on standard output), kExitUsage after a bad option (the problem
// and a hint on standard error); nothing when the program is to go on.
std::optional<int> ParseCommandLine(CLI::App& app, int argc, char** argv);

}  // namespace norvik::cli
