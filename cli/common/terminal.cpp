#include "terminal.h"

#include <cctype>
#include <cstdio>
#include <string>

#include "console_text.h"

namespace norvik::cli {

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
