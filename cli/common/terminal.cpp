#include "terminal.h"

#include <cctype>
#include <cstdio>
#include <string>

#include "console_text.h"
#include "stop_signal.h"

namespace norvik::cli {

bool AskYesNo(std::string_view question) {
    if (StopRequested()) {
        return false;  // a plan's next question after Ctrl+C is not asked
    }
    WriteText(stderr, std::string(question) + " [y/N] ");
    std::string answer;
    for (const char c : ReadAnswerLine()) {
        if (!std::isspace(static_cast<unsigned char>(c))) {
            answer += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    if (StopRequested()) {
        WriteText(stderr, "\n");  // what follows starts a line of its own, after the ^C
        return false;
    }
    return answer == "y" || answer == "yes";
}

}  // namespace norvik::cli
