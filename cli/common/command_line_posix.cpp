#include <csignal>

#include "command_line.h"

namespace norvik::cli {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void IgnoreBrokenPipes() {
    std::signal(SIGPIPE, SIG_IGN);
}

void ReadStandardInputAsBytes() {}

}  // namespace norvik::cli
