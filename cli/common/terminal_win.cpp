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

std::string ReadAnswerLine() {
    // Ctrl+C ends a console read (its handler runs on a thread of its own), which reads as the
    // end of input.
    std::string line;
    for (int c; (c = std::fgetc(stdin)) != EOF && c != '\n';) {
        line += static_cast<char>(c);
    }
    return line;
}

}  // namespace norvik::cli
