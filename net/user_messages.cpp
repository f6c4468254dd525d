#include "user_messages.h"

#include <cstdio>
#include <string>

#include "console_text.h"
#include "trace_file.h"
#include "utf.h"

namespace norvik {

std::u16string ErrorMessage(const char* format, int code) {
    char text[128];
    std::snprintf(text, sizeof text, format, code);
    return Utf8ToUtf16(text);
}

void UserMessages::WriteDiagnostic(std::string_view line) {
    WriteText(stderr, line);
}

void UserMessages::TraceTo(std::FILE* stream) {
    std::lock_guard lock(trace_mutex_);
    trace_ = stream;
}

void UserMessages::WriteTrace(std::string_view line) {
    std::lock_guard lock(trace_mutex_);
    if (trace_ != nullptr) {
        WriteTraceLine(trace_, line);
    }
}

std::FILE* TraceFileFromEnvironment() {
    static std::FILE* const file = [] {
        std::string why_not;
        std::FILE* opened = OpenTraceFileNamedByEnvironment(why_not);
        if (opened == nullptr && !why_not.empty()) {
            WriteText(stderr,
                      "norvik: cannot open the trace file named by NORVIK_TRACE: " + why_not + "\n");
        }
        return opened;
    }();
    return file;
}

void ConsoleUserMessages::ShowMessage(MessageStyle, std::u16string_view text) {
    std::lock_guard lock(mutex_);
    WriteText(stderr, Utf16ToUtf8(text) + '\n');
}

void ConsoleUserMessages::WriteOutput(std::string_view line) {
    std::lock_guard lock(mutex_);
    WriteText(output_, line);
}

}  // namespace norvik
