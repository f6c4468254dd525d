#include <io.h>

#include <cstdio>

#include "terminal.h"

namespace norvik::cli {

bool CanAskPerson() {
    return _isatty(_fileno(stdin)) != 0 && _isatty(_fileno(stderr)) != 0;
}

bool OutputIsTerminal() {
    return _isatty(_fileno(stdout)) != 0;
}

}  // namespace norvik::cli
