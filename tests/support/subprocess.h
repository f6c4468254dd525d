#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace norvik::test {

struct ProcessOptions {
    std::vector<std::string> args;       // args[0] is the program's path
    std::vector<std::string> extra_env;  // "NAME=value", added to (or replacing in) ours
    std::string working_directory;       // empty: this process's
    std::optional<unsigned> max_open_files;
    std::chrono::milliseconds timeout{15000};
};

// Options that run args (args[0] the program's path) with everything else as it is.
inline ProcessOptions Command(std::vector<std::string> args) {
    ProcessOptions options;
    options.args = std::move(args);
    return options;
}

// Options that run the program with these arguments.
inline ProcessOptions Command(std::string program, std::vector<std::string> args) {
    args.insert(args.begin(), std::move(program));
    return Command(std::move(args));
}

struct ProcessResult {
    int exit_code = -1;  // -1 when the process did not exit by itself
    int signal = 0;      // the signal that ended it, 0 if none
    bool timed_out = false;
    std::string out;
    std::string err;
};

// Runs a program to its end (or its time-out, after which it is killed) and collects both
// output streams.
ProcessResult RunProcess(const ProcessOptions& options);

// A program that runs beside the test, such as the device simulator.
class BackgroundProcess {
public:
    explicit BackgroundProcess(const ProcessOptions& options);
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    int pid() const { return pid_; }
    // Sends a signal to the running program; false if it is not running.
    bool Signal(int signal_number);
    // Waits until standard output holds the given text; false on time-out or early exit.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout);
    // The same for standard error.
    bool WaitForError(const std::string& text, std::chrono::milliseconds timeout);
    // Sends SIGTERM, waits for the end and returns what the program wrote.
    ProcessResult Stop();
    // Waits for the program to end by itself (killing it after the time-out).
    ProcessResult Wait(std::chrono::milliseconds timeout);

private:
    bool WaitFor(std::string ProcessResult::*stream, const std::string& text,
                 std::chrono::milliseconds timeout);
    bool Pump(std::chrono::milliseconds timeout);
    ProcessResult Finish(std::chrono::milliseconds timeout);

    int pid_ = -1;
    int out_fd_ = -1;
    int err_fd_ = -1;
    ProcessResult result_;
};

}  // namespace norvik::test
