#include "terminal.h"

#include <cctype>
#include <cstdio>
#include <string>

#include "console_text.h"

#ifdef _WIN32
#include <io.h>
#define NORVIK_ISATTY _isatty
#define NORVIK_FILENO _fileno
#else
#include <unistd.h>
#define NORVIK_ISATTY ::isatty
#define NORVIK_FILENO ::fileno
#endif

namespace norvik::cli {

bool CanAskPerson() {
    return NORVIK_ISATTY(NORVIK_FILENO(stdin)) != 0 && NORVIK_ISATTY(NORVIK_FILENO(stderr)) != 0;
}

bool OutputIsTerminal() {
    return NORVIK_ISATTY(NORVIK_FILENO(stdout)) != 0;
}

bool AskYesNo(std::string_view question) {
    WriteText(stderr, std::string(question) + " [y/N] ");
    std::string answer;
    for (int c; (c = std::fgetc(stdin)) != EOF && c != '\n';) {
        if (c != '\r' && !std::isspace(c)) {
            answer += static_cast<char>(std::tolower(c));
        }
    }
    return answer == "y" || answer == "yes";
}

}  // namespace norvik::cli
