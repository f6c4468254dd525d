#include "about_dialog.h"

#include "resource.h"

namespace norvik {
namespace {

INT_PTR CALLBACK AboutProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_COMMAND:
            // Enter gives IDOK, Esc and the close box IDCANCEL.
            if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
                EndDialog(hwnd, LOWORD(wparam));
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

void ShowAboutDialog(HINSTANCE instance, HWND owner) {
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_ABOUT), owner, &AboutProc, 0);
}

}  // namespace norvik
