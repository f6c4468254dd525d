#pragma once

// The exit codes the installed programs share, so that a script reads them alike.
namespace norvik::cli {

inline constexpr int kExitDone = 0;
inline constexpr int kExitNetworkError = 1;  // a receive socket or the socket layer failed
inline constexpr int kExitUsage = 2;         // bad options, or a value the checks refuse
inline constexpr int kExitNotApplied = 3;    // the device answers with other values
inline constexpr int kExitNoAnswer = 4;      // the device was not heard (again)

}  // namespace norvik::cli
