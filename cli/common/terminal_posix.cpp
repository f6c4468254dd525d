#include <unistd.h>

#include <cstdio>

#include "terminal.h"

namespace norvik::cli {

bool CanAskPerson() {
    return ::isatty(STDIN_FILENO) != 0 && ::isatty(STDERR_FILENO) != 0;
}

bool OutputIsTerminal() {
    return ::isatty(STDOUT_FILENO) != 0;
}

}  // namespace norvik::cli
