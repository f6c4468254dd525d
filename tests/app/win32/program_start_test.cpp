// norvik.exe as a user starts it: its window comes up with every control of the template, of
// the classes the template names (the address controls and the list exist only once the
// program has registered the common controls), and closing the window ends the program with 0.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "control_class.h"
#include "dialog_template.h"

namespace norvik::test {
namespace {

TEST(Win32Program, ItsWindowComesUpWithEveryControlAndClosingItEndsItWithZero) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string command = "\"" NORVIK_WINDOW_PROGRAM "\"";
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process))
        << "cannot start " << NORVIK_WINDOW_PROGRAM << ": error " << GetLastError();
    const std::wstring title(kMainDialogTitle.begin(), kMainDialogTitle.end());
    // The dialog has its title before its controls are made; it shows once they are all there.
    HWND window = nullptr;
    for (int tries = 0; tries < 300 && window == nullptr; ++tries) {
        window = FindWindowW(nullptr, title.c_str());
        if (window == nullptr || !IsWindowVisible(window)) {
            window = nullptr;
            Sleep(100);
        }
    }
    EXPECT_NE(window, nullptr) << "no window \"Norvik V3.0\" shown within 30 s";
    if (window != nullptr) {
        for (const ControlTemplate& control : kMainDialogControls) {
            EXPECT_EQ(
                _wcsicmp(ClassOf(GetDlgItem(window, control.id)).c_str(), ClassFor(control.kind)),
                0)
                << std::string(control.name.begin(), control.name.end());
        }
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the program did not end within 10 s of its window's closing";
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace
}  // namespace norvik::test
