// norvik.exe: the Windows window.
// windows.h before commctrl.h, which needs it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
// clang-format on

#include <string>

#include "dialog_data.h"
#include "list_lock.h"
#include "main_dialog.h"
#include "message_box.h"
#include "resource.h"
#include "udp_socket.h"
#include "ui_string_table.h"
#include "utf.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // The English texts are in place before anything else runs.
    norvik::ProcessUiStringTable();
    // COM for the accessibility annotations (and the shell's web page opening), on this thread,
    // which runs the dialog.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_INTERNET_CLASSES};
    InitCommonControlsEx(&controls);
    if (!norvik::StartSockets()) {
        wchar_t text[128] = {};
        LoadStringW(instance, IDS_SOCKETS_FAILED, text, static_cast<int>(std::size(text)));
        norvik::ShowMessageBox(nullptr, text, norvik::ToWide(norvik::kApplicationName).c_str(),
                               MB_OK | MB_ICONEXCLAMATION);
        return 1;
    }
    norvik::ListLock lock(norvik::ListLock::DefaultPath());
    norvik::MainDialog dialog(lock, instance);
    return dialog.DoModal();
}
