#pragma once

#include <windows.h>

#include <functional>
#include <string_view>

namespace norvik {

// Names a control for assistive technology. Left alone, Windows names an edit or an address
// control by the static text before it in the dialog's order, which here is the tab order and
// not the order of the labels on the screen (the MAC field would be read as "Name", an address
// control by its "0.0.0.0"); so every labelled control is named by Active Accessibility's
// dynamic annotation instead.
using AccessibleNamer = std::function<void(HWND control, std::wstring_view name)>;

void NameForAssistiveTechnology(HWND control, std::wstring_view name);

// From now on every name goes to namer instead of Windows; an empty function restores Windows.
void UseAccessibleNamer(AccessibleNamer namer);

// The name of part `part` (from 0) of an address control called `name`: "IP, part 1 of 4".
std::wstring AddressPartName(std::wstring_view name, int part);

}  // namespace norvik
