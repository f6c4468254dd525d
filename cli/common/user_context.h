#pragma once

#include <functional>
#include <optional>
#include <string>

// Who runs the program, on which machine, and where such a user keeps the program's records.
namespace norvik::cli {

// The effective user's login name (its number when it has none), in UTF-8.
std::string UserName();
// This machine's name, in UTF-8.
std::string HostName();
// root, or on Windows an elevated administrator.
bool RunningAsAdministrator();

// An environment variable's value, in UTF-8; nothing when it is unset or empty.
using Environment = std::function<std::optional<std::string>(const char* name)>;
std::optional<std::string> EnvironmentValue(const char* name);

// Where the record `file` is kept by default: for root /var/log/norvik/, otherwise
// $XDG_STATE_HOME/norvik/ (~/.local/state/norvik/); on Windows %ProgramData%\Norvik\ for an
// administrator, %LOCALAPPDATA%\Norvik\ otherwise. Nothing (with why in `error`) when the
// environment names no such place.
std::optional<std::string> DefaultRecordPath(const std::string& file, bool administrator,
                                             const Environment& environment, std::string& error);
// Those places as a program's --help names them.
std::string DefaultRecordPlaces(const std::string& file);

}  // namespace norvik::cli
