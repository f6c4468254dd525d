#pragma once

#include <windows.h>

namespace norvik {

// "About Norvik" (template 100), modal over its owner until Esc, Enter or the close box.
void ShowAboutDialog(HINSTANCE instance, HWND owner);

}  // namespace norvik
