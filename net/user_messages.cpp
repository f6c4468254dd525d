#include "user_messages.h"

#include "console_text.h"
#include "utf.h"

#include <cstdio>
#include <cstdlib>

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
        WriteText(trace_, line);
        std::fflush(trace_);  // a trace is read while the program runs, or after it crashed
    }
}

namespace {

std::FILE* OpenTraceFromEnvironment() {
#ifdef _WIN32
    const wchar_t* path = ::_wgetenv(L"NORVIK_TRACE");
    if (path == nullptr || *path == L'\0') {
        return nullptr;
    }
    if (std::wstring_view(path) == L"-") {
        return stderr;
    }
    std::FILE* file = ::_wfopen(path, L"ab");
#else
    const char* path = std::getenv("NORVIK_TRACE");
    if (path == nullptr || *path == '\0') {
        return nullptr;
    }
    if (std::string_view(path) == "-") {
        return stderr;
    }
    std::FILE* file = std::fopen(path, "ae");  // not inherited by the web browser
#endif
    if (file == nullptr) {
        WriteText(stderr, "norvik: cannot open the trace file named by NORVIK_TRACE\n");
    }
    return file;
}

}  // namespace

std::FILE* TraceFileFromEnvironment() {
    static std::FILE* const file = OpenTraceFromEnvironment();
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
