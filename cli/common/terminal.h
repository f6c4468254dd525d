#pragma once

#include <string>
#include <string_view>

namespace norvik::cli {

// Whether a person can answer a question: standard input and standard error are terminals.
bool CanAskPerson();

// Whether standard output is a terminal (a person reads it) rather than a file or a pipe.
bool OutputIsTerminal();

// Asks on standard error and reads the answer from standard input: true for "y" or "yes"
// (any case), false for anything else, an empty line, the end of input, or once a stop is
// requested (Ctrl+C), which StopRequested() then tells.
bool AskYesNo(std::string_view question);

// One line of standard input without its end; what was typed so far once a stop is requested.
std::string ReadAnswerLine();

}  // namespace norvik::cli
