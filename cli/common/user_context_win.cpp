// clang-format off
#include <windows.h>
// clang-format on

#include "user_context.h"
#include "utf.h"

namespace norvik::cli {

std::string UserName() {
    wchar_t name[257] = {};
    DWORD size = 257;
    return GetUserNameW(name, &size) != 0 ? Utf16ToUtf8(FromWide(name)) : std::string();
}

std::string HostName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) != 0 ? Utf16ToUtf8(FromWide(name)) : std::string();
}

bool RunningAsAdministrator() {
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) == 0) {
        return false;
    }
    TOKEN_ELEVATION elevation{};
    DWORD size = sizeof elevation;
    const bool elevated =
        GetTokenInformation(token, TokenElevation, &elevation, size, &size) != 0 &&
        elevation.TokenIsElevated != 0;
    CloseHandle(token);
    return elevated;
}

std::optional<std::string> EnvironmentValue(const char* name) {
    const std::wstring wide_name = ToWide(Utf8ToUtf16(name));
    const wchar_t* value = _wgetenv(wide_name.c_str());
    if (value == nullptr || *value == L'\0') {
        return std::nullopt;
    }
    return Utf16ToUtf8(FromWide(value));
}

std::optional<std::string> DefaultRecordPath(const std::string& file, bool administrator,
                                             const Environment& environment, std::string& error) {
    const char* folder = administrator ? "ProgramData" : "LOCALAPPDATA";
    if (const auto value = environment(folder)) {
        return *value + "\\Norvik\\" + file;
    }
    error = std::string("%") + folder + "% is not set";
    return std::nullopt;
}

std::string DefaultRecordPlaces(const std::string& file) {
    return "%ProgramData%\\Norvik\\" + file + " for an administrator,\n%LOCALAPPDATA%\\Norvik\\" +
           file + " otherwise";
}

}  // namespace norvik::cli
