#include "command_line.h"

#include <string>
#include <vector>

#include "console_text.h"
#include "exit_codes.h"

#ifdef _WIN32
#include <windows.h>
// shellapi.h needs windows.h before it.
#include <shellapi.h>

#include "utf.h"
#endif

namespace norvik::cli {
namespace {

// The arguments as UTF-8. Windows hands main() the ANSI code page's bytes, which cannot hold
// every name a device may be given, so there they come from the wide command line.
std::vector<std::string> Utf8Arguments(int argc, char** argv) {
#ifdef _WIN32
    (void)argc;
    (void)argv;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 0; wide != nullptr && i < count; ++i) {
        args.push_back(Utf16ToUtf8(FromWide(wide[i])));
    }
    LocalFree(wide);
    return args;
#else
    return std::vector<std::string>(argv, argv + argc);
#endif
}

}  // namespace

CLI::Option* AddSecondsOption(CLI::App& app, const std::string& name, double& seconds,
                              const std::string& description) {
    const CLI::Validator in_range(
        [](const std::string& text) -> std::string {
            double value = -1;
            return CLI::detail::lexical_cast(text, value) && value >= 0 && value <= kMaxWaitSeconds
                       ? std::string()
                       : "takes seconds from 0 to " +
                             std::to_string(static_cast<int>(kMaxWaitSeconds));
        },
        "");
    return app.add_option(name, seconds, description)->check(in_range)->type_name("SECONDS");
}

std::optional<int> ParseCommandLine(CLI::App& app, int argc, char** argv) {
    std::vector<std::string> args = Utf8Arguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& arg : args) {
        pointers.push_back(arg.data());
    }
    try {
        app.parse(static_cast<int>(pointers.size()), pointers.data());
    } catch (const CLI::CallForHelp&) {
        WriteText(stdout, app.help());
        return kExitDone;
    } catch (const CLI::ParseError& error) {
        WriteText(stderr, app.get_name() + ": " + error.what() + "\nRun with --help for more.\n");
        return kExitUsage;
    }
    return std::nullopt;
}

}  // namespace norvik::cli
