#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "device_json.h"

// The frame every installed program shares: its name said once, one way to say an error, the
// exit codes of exit_codes.h, and standard output checked at the end, so that a full disk or a
// closed pipe is never a success.
namespace norvik::cli {

class Program {
public:
    Program(const char* name, const char* description);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    CLI::App& app() { return app_; }
    const char* name() const { return name_; }
    // The version --version prints.
    static const char* Version();

    // Adds --json: one JSON object on standard output, errors included.
    CLI::Option* AddJsonFlag(const std::string& description);
    bool json() const { return json_; }

    // Parses the command line (as UTF-8 on every platform). The exit code to end with after
    // --help or --version (on standard output) or a usage error (said, and with --json also as a
    // JSON object); nothing when the program is to go on.
    std::optional<int> Parse(int argc, char** argv);

    // "NAME: message" on standard error.
    void Say(std::string_view message) const;
    // Says the problem and returns exit_code; with --json standard output gets one object:
    // `fields` with "error" and "exit_code" added.
    int Fail(int exit_code, std::string_view message, Json fields = Json::object()) const;
    // A usage error: Fail with a hint to --help.
    int UsageError(std::string_view message) const;
    // Data for standard output.
    void Print(std::string_view text) const;
    // The exit code to end with: exit_code, unless standard output could not take all that was
    // written; then that is said and the end is kExitError.
    int Finish(int exit_code) const;

private:
    const char* name_;
    CLI::App app_;
    bool json_ = false;
    mutable int write_error_ = 0;  // the first failed write's errno
};

}  // namespace norvik::cli
