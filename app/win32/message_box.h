#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace norvik {

// Every message box of the window goes through here, so that tests can answer them instead
// of a person. Takes MessageBoxW's arguments and gives its answer (IDOK, IDCANCEL).
using MessageBoxFunction =
    std::function<int(HWND owner, std::wstring_view text, const wchar_t* caption, UINT type)>;

int ShowMessageBox(HWND owner, std::wstring_view text, const wchar_t* caption, UINT type);

// From now on every box goes to answer instead of the screen; an empty function restores
// the screen.
void AnswerMessageBoxes(MessageBoxFunction answer);

}  // namespace norvik
