#pragma once

// The exit codes the installed programs share, so that a script reads them alike. The man
// pages list them; a failure never ends with kExitDone.
namespace norvik::cli {

inline constexpr int kExitDone = 0;
inline constexpr int kExitError = 1;        // the network or the system failed: a socket, a
                                            // search not sent, a file, standard output
inline constexpr int kExitUsage = 2;        // bad options, or a value the checks refuse
inline constexpr int kExitNotApplied = 3;   // the device answers with other values
inline constexpr int kExitNoAnswer = 4;     // the device was not heard (again)
inline constexpr int kExitNotVerifiable = 5;  // its report cannot show a value that was sent
inline constexpr int kExitRefused = 6;      // the device refused the request
inline constexpr int kExitInterrupted = 130;  // SIGINT or SIGTERM before the end

}  // namespace norvik::cli
