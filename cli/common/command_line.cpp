#include "command_line.h"

#include "option_values.h"

namespace norvik::cli {

CLI::Option* AddSecondsOption(CLI::App& app, const std::string& name, double& seconds,
                              double min, const std::string& description) {
    return app
        .add_option_function<std::string>(
            name,
            [&seconds, name, min](const std::string& text) {
                std::string problem;
                const auto value = ParseSeconds(text, min, kMaxWaitSeconds, problem);
                if (!value) {
                    throw CLI::ValidationError(name, problem);
                }
                seconds = *value;
            },
            description)
        ->type_name("SECONDS");
}

CLI::Option* AddCountOption(CLI::App& app, const std::string& name, std::uint64_t& count,
                            std::uint64_t min, std::uint64_t max, const std::string& description) {
    return app
        .add_option_function<std::string>(
            name,
            [&count, name, min, max](const std::string& text) {
                std::string problem;
                const auto value = ParseCount(text, min, max, problem);
                if (!value) {
                    throw CLI::ValidationError(name, problem);
                }
                count = *value;
            },
            description)
        ->type_name("N");
}

}  // namespace norvik::cli
