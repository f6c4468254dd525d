#include "win32_dialog_view.h"

#include <commctrl.h>

#include <string>

#include "message_box.h"
#include "utf.h"

namespace norvik {

std::u16string Win32DialogView::ControlText(int id) const {
    const HWND control = Control(id);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return FromWide(text);
}

void Win32DialogView::SetControlText(int id, std::u16string_view text) {
    SetWindowTextW(Control(id), ToWide(text).c_str());
}

void Win32DialogView::LimitText(int id, int characters) {
    SendMessageW(Control(id), EM_LIMITTEXT, static_cast<WPARAM>(characters), 0);
}

std::uint32_t Win32DialogView::Address(int id) const {
    DWORD address = 0;
    SendMessageW(Control(id), IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    return address;
}

void Win32DialogView::SetAddress(int id, std::uint32_t address) {
    SendMessageW(Control(id), IPM_SETADDRESS, 0, static_cast<LPARAM>(address));
}

void Win32DialogView::ClearAddress(int id) {
    SendMessageW(Control(id), IPM_CLEARADDRESS, 0, 0);
}

bool Win32DialogView::IsChecked(int id) const {
    return IsDlgButtonChecked(dialog_, id) == BST_CHECKED;
}

void Win32DialogView::SetChecked(int id, bool checked) {
    CheckDlgButton(dialog_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void Win32DialogView::SetVisible(int id, bool visible) {
    ShowWindow(Control(id), visible ? SW_SHOW : SW_HIDE);
}

void Win32DialogView::SetEnabled(int id, bool enabled) {
    EnableWindow(Control(id), enabled ? TRUE : FALSE);
}

void Win32DialogView::FocusControl(int id) {
    const HWND control = Control(id);
    // The dialog's own way to move the focus, which also keeps the default button right.
    SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    SendMessageW(control, EM_SETSEL, 0, -1);
}

void Win32DialogView::ShowMessage(std::u16string_view caption, std::u16string_view text,
                                  MessageIcon icon) {
    const std::wstring caption_text = ToWide(caption);
    ShowMessageBox(dialog_, ToWide(text), caption_text.c_str(),
                   MB_OK | (icon == MessageIcon::kWarning    ? MB_ICONEXCLAMATION
                            : icon == MessageIcon::kQuestion ? MB_ICONQUESTION
                                                             : 0));
}

bool Win32DialogView::AskOkCancel(std::u16string_view caption, std::u16string_view question) {
    const std::wstring caption_text = ToWide(caption);
    // Owned by the dialog, which it disables while it asks: Submit has read the form already,
    // and a click on another row meanwhile would send these values to that device.
    return ShowMessageBox(dialog_, ToWide(question), caption_text.c_str(),
                          MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

void Win32DialogView::OpenUrl(std::u16string_view url) {
    open_url_(ToWide(url));
}

}  // namespace norvik
