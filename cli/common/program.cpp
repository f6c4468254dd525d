#include "program.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "command_line.h"
#include "console_text.h"
#include "exit_codes.h"

namespace norvik::cli {
namespace {

// CLI11's own words for a bad command line, in the style of the programs' other messages.
std::string UsageText(const CLI::ParseError& error) {
    const std::string what = error.what();
    const std::string kind = error.get_name();
    const auto colon = what.find(": ");
    const std::string subject = colon == std::string::npos ? std::string() : what.substr(0, colon);
    if (kind == "ArgumentMismatch" && !subject.empty()) {
        return subject + (what.find("received") != std::string::npos && what.find("At least") ==
                                                                            std::string::npos
                              ? ": given more than once"
                              : ": needs a value");
    }
    if (kind == "ExcludesError") {
        const auto excludes = what.find(" excludes ");
        if (excludes != std::string::npos) {
            return what.substr(0, excludes) + " and " + what.substr(excludes + 10) +
                   " cannot go together";
        }
    }
    if (kind == "RequiresError") {
        const auto requires_at = what.find(" requires ");
        if (requires_at != std::string::npos) {
            return what.substr(0, requires_at) + " goes only with " +
                   what.substr(requires_at + 10);
        }
    }
    if (kind == "ConversionError" || kind == "ValidationError") {
        return what;
    }
    std::string text = what;
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') {
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    }
    return text;
}

// The first argument the program does not take, as the command line has it: the parser
// collects them in its own order.
std::string FirstUnexpected(const std::vector<std::string>& args,
                            const std::vector<std::string>& unexpected) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (std::find(unexpected.begin(), unexpected.end(), args[i]) != unexpected.end()) {
            return args[i];
        }
    }
    return unexpected.empty() ? std::string() : unexpected.front();
}

// "--flag=VALUE" where the option is a flag: the parser would take "no" for false, and a
// "--json=1" would miss the JSON an error is owed. A flag takes no value, as with getopt.
std::optional<std::string> FlagGivenAValue(const CLI::App& app,
                                           const std::vector<std::string>& args) {
    for (std::size_t i = 1; i < args.size() && args[i] != "--"; ++i) {
        const auto equals = args[i].find('=');
        if (args[i].rfind("--", 0) != 0 || equals == std::string::npos) {
            continue;
        }
        const std::string name = args[i].substr(0, equals);
        const CLI::Option* option = app.get_option_no_throw(name);
        if (option != nullptr && option->get_expected_max() == 0) {
            return name + ": takes no value";
        }
    }
    return std::nullopt;
}

// "--option=" with nothing after the "=": the parser would take the next argument for the value
// ("--name= --ip=10.0.0.9" named the device "--ip=10.0.0.9" and dropped the address). The
// empty value is made the option's own, as "--option ''" gives it.
void SplitEmptyValues(const CLI::App& app, std::vector<std::string>& args) {
    for (std::size_t i = 1; i < args.size() && args[i] != "--"; ++i) {
        if (args[i].size() < 4 || args[i].rfind("--", 0) != 0 || args[i].back() != '=') {
            continue;
        }
        std::string name = args[i].substr(0, args[i].size() - 1);
        const CLI::Option* option = app.get_option_no_throw(name);
        if (option != nullptr && option->get_expected_max() > 0) {
            args[i] = std::move(name);
            args.insert(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, std::string());
            ++i;
        }
    }
}

}  // namespace

Program::Program(const char* name, const char* description) : name_(name), app_(description, name) {
    KeepStandardStreamNumbersTaken();
    PrepareConsoleStreams();
    IgnoreBrokenPipes();
    app_.set_help_flag("-h,--help", "print this help and end");
    app_.set_version_flag("--version", std::string(name) + " " + NORVIK_VERSION,
                          "print the program's version and end");
}

const char* Program::Version() {
    return NORVIK_VERSION;
}

CLI::Option* Program::AddJsonFlag(const std::string& description) {
    return app_.add_flag("--json", json_, description);
}

std::optional<int> Program::Parse(int argc, char** argv) {
    std::vector<std::string> args = Utf8Arguments(argc, argv);
    // A usage error is JSON too when --json was asked for, even if parsing stopped before it.
    for (std::size_t i = 1; i < args.size() && app_.get_option_no_throw("--json") != nullptr;
         ++i) {
        json_ = json_ || args[i] == "--json";
    }
    if (const auto problem = FlagGivenAValue(app_, args)) {
        return UsageError(*problem);
    }
    SplitEmptyValues(app_, args);
    std::vector<char*> pointers;
    for (std::string& arg : args) {
        pointers.push_back(arg.data());
    }
    try {
        app_.parse(static_cast<int>(pointers.size()), pointers.data());
    } catch (const CLI::CallForHelp&) {
        Print(app_.help());
        return Finish(kExitDone);
    } catch (const CLI::CallForVersion&) {
        Print(app_.version() + "\n");
        return Finish(kExitDone);
    } catch (const CLI::ExtrasError&) {
        return UsageError("not an option or value it takes: " +
                          FirstUnexpected(args, app_.remaining()));
    } catch (const CLI::ParseError& error) {
        return UsageError(UsageText(error));
    }
    // Parsed, the flag is what counts: in "--name --json" the text is the name's value.
    if (const CLI::Option* json = app_.get_option_no_throw("--json")) {
        json_ = json->count() > 0;
    }
    return std::nullopt;
}

void Program::Say(std::string_view message) const {
    WriteText(stderr, std::string(name_) + ": " + std::string(message) + '\n');
}

int Program::Fail(int exit_code, std::string_view message, Json fields) const {
    Say(message);
    if (json_) {
        fields["error"] = std::string(message);
        fields["exit_code"] = exit_code;
        Print(JsonText(fields));
    }
    return Finish(exit_code);
}

int Program::UsageError(std::string_view message) const {
    WriteText(stderr, std::string(name_) + ": " + std::string(message) +
                          "\nRun with --help for more.\n");
    if (json_) {
        Json fields;
        fields["error"] = std::string(message);
        fields["exit_code"] = kExitUsage;
        Print(JsonText(fields));
    }
    return Finish(kExitUsage);
}

void Program::Print(std::string_view text) const {
    errno = 0;
    WriteText(stdout, text);
    if (std::ferror(stdout) != 0 && write_error_ == 0) {
        write_error_ = errno;
    }
}

int Program::Finish(int exit_code) const {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    if (flushed && std::ferror(stdout) == 0) {
        return exit_code;
    }
    const int error = write_error_ != 0 ? write_error_ : errno;
    Say(std::string("cannot write to standard output") +
        (error != 0 ? std::string(": ") + std::strerror(error) : std::string()));
    return exit_code == kExitDone ? kExitError : exit_code;
}

}  // namespace norvik::cli
