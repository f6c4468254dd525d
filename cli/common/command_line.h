#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "option_values.h"

namespace norvik::cli {

// The longest wait an option accepts: a day, in seconds.
inline constexpr double kMaxWaitSeconds = 24 * 60 * 60;

// Adds an option that takes seconds (fractions allowed) from `min` (or, with more_than_min,
// more than `min`) to kMaxWaitSeconds; a bad value is refused in the programs' own words.
CLI::Option* AddSecondsOption(CLI::App& app, const std::string& name, double& seconds,
                              double min, const std::string& description,
                              bool more_than_min = false);
// Adds an option that takes a whole number from `min` to `max`.
CLI::Option* AddCountOption(CLI::App& app, const std::string& name, std::uint64_t& count,
                            std::uint64_t min, std::uint64_t max, const std::string& description);

// Adds an option that names a file and hands it to `take`. An empty name is refused: it is
// what an unset variable in a script gives, and taken as "not given" it would quietly drop
// the file the user asked for.
CLI::Option* AddFileOption(CLI::App& app, const std::string& name, const std::string& type_name,
                           const std::function<void(const std::string&)>& take,
                           const std::string& description);

// Adds --protocols, which chooses the protocols a search asks in (default: all three).
CLI::Option* AddProtocolsOption(CLI::App& app, SearchProtocols& protocols);

// The arguments as UTF-8. Windows hands main() the ANSI code page's bytes, which cannot hold
// every name a device may be given, so there they come from the wide command line.
std::vector<std::string> Utf8Arguments(int argc, char** argv);
// A standard stream the caller closed keeps its number taken (POSIX; nothing to do on
// Windows, where sockets and files are handles, never a C runtime descriptor's number).
void KeepStandardStreamNumbersTaken();
// A write to a closed pipe fails with an error the program reports, instead of ending it
// without a word (POSIX; nothing to do on Windows).
void IgnoreBrokenPipes();
// Standard input gives its bytes as they are (Windows translates line ends unless told not to).
void ReadStandardInputAsBytes();

}  // namespace norvik::cli
