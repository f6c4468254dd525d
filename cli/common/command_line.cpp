#include "command_line.h"

#include <functional>

#include "option_values.h"

namespace norvik::cli {
namespace {

// An option whose text `read` takes in, or refuses with a problem said in the programs' words.
CLI::Option* AddReadOption(CLI::App& app, const std::string& name, const std::string& type_name,
                           const std::function<bool(const std::string&, std::string&)>& read,
                           const std::string& description) {
    return app
        .add_option_function<std::string>(
            name,
            [name, read](const std::string& text) {
                std::string problem;
                if (!read(text, problem)) {
                    throw CLI::ValidationError(name, problem);
                }
            },
            description)
        ->type_name(type_name);
}

}  // namespace

CLI::Option* AddSecondsOption(CLI::App& app, const std::string& name, double& seconds,
                              double min, const std::string& description, bool more_than_min) {
    return AddReadOption(
        app, name, "SECONDS",
        [&seconds, min, more_than_min](const std::string& text, std::string& problem) {
            const auto value = ParseSeconds(text, min, kMaxWaitSeconds, problem, more_than_min);
            seconds = value.value_or(seconds);
            return value.has_value();
        },
        description);
}

CLI::Option* AddCountOption(CLI::App& app, const std::string& name, std::uint64_t& count,
                            std::uint64_t min, std::uint64_t max, const std::string& description) {
    return AddReadOption(
        app, name, "N",
        [&count, min, max](const std::string& text, std::string& problem) {
            const auto value = ParseCount(text, min, max, problem);
            count = value.value_or(count);
            return value.has_value();
        },
        description);
}

CLI::Option* AddFileOption(CLI::App& app, const std::string& name, const std::string& type_name,
                           const std::function<void(const std::string&)>& take,
                           const std::string& description) {
    return AddReadOption(
        app, name, type_name,
        [take](const std::string& text, std::string& problem) {
            if (text.empty()) {
                problem = "takes a file name, not \"\"";
                return false;
            }
            take(text);
            return true;
        },
        description);
}

CLI::Option* AddProtocolsOption(CLI::App& app, SearchProtocols& protocols) {
    protocols = SearchProtocols{true, true, true};
    return AddReadOption(
        app, "--protocols", "LIST",
        [&protocols](const std::string& text, std::string& problem) {
            const auto value = ParseProtocols(text, problem);
            protocols = value.value_or(protocols);
            return value.has_value();
        },
        "the protocols to search in, separated by commas: pcedit, 3297, onvif (default: all)");
}

}  // namespace norvik::cli
