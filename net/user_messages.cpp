#include "user_messages.h"

#include "console_text.h"
#include "utf.h"

#include <cstdio>

namespace norvik {

std::u16string ErrorMessage(const char* format, int code) {
    char text[128];
    std::snprintf(text, sizeof text, format, code);
    return Utf8ToUtf16(text);
}

void UserMessages::WriteDiagnostic(std::string_view line) {
    WriteText(stderr, line);
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
