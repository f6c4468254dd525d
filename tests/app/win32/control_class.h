#pragma once

// The window class of a control, and the class the template's kind of control is made of.
#include <windows.h>

#include <iterator>
#include <string>

#include "dialog_template.h"

namespace norvik::test {

inline std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return name;
}

inline const wchar_t* ClassFor(ControlKind kind) {
    switch (kind) {
        case ControlKind::kIpAddress:
            return L"SysIPAddress32";
        case ControlKind::kPushButton:
        case ControlKind::kRadioButton:
            return L"Button";
        case ControlKind::kLabel:
            return L"Static";
        case ControlKind::kEdit:
            return L"Edit";
        case ControlKind::kListView:
            return L"SysListView32";
    }
    return L"";
}

}  // namespace norvik::test
