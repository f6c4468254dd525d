#pragma once

#include <windows.h>

#include <atomic>
#include <string_view>

#include "list_lock.h"
#include "list_view_rows.h"
#include "win32_dialog_view.h"
#include "window_shell.h"

namespace norvik {

// The main dialog (template IDD_MAIN_DIALOG): the device list on the left, the picked device's
// network settings on the right, the commands below. What its controls do is the dialog's
// rules', what it wires up around them the window shell's; this class answers the window's
// messages. The receive threads only ever post to it.
class MainDialog : private WindowToolkit {
public:
    MainDialog(ListLock& lock, HINSTANCE instance);
    ~MainDialog();
    MainDialog(const MainDialog&) = delete;
    MainDialog& operator=(const MainDialog&) = delete;

    // Runs the dialog modally until it ends; returns the process's exit code: 0, or the code
    // of a receive socket that could not be set up.
    int DoModal();
    // The dialog without a loop of its own (the caller pumps the messages), for tests.
    HWND Create();

    HWND hwnd() const { return hwnd_; }
    // Whether the dialog has ended, and with which exit code.
    bool ended() const { return ended_; }
    int exit_code() const { return exit_code_; }
    Discovery& discovery() { return shell_.discovery(); }
    // How the web page is opened: the shell's "open" unless a test looks instead.
    void SetUrlOpener(Win32DialogView::UrlOpener open) { open_url_ = std::move(open); }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    INT_PTR OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
    BOOL OnInitDialog();
    // Each labelled control (and each field of an address control) named by its label for
    // assistive technology, once the language file has given the labels their texts.
    void NameLabelledControls();
    // The fonts and list columns sized in pixels, for the window's DPI.
    void FollowDpi(UINT dpi);
    static int ColumnWidthAtDpi(HWND list, int column, UINT dpi);
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void OnCommand(int id, int code);
    void OnNotify(const NMHDR& header);
    bool OnSysCommand(UINT command);
    bool OnPaint();
    HICON OnQueryDragIcon() const { return icon_; }
    void Wake() override;
    void ShowMessageBox(std::u16string_view caption, std::u16string_view text) override;
    void EndDialog(int exit_code) override;

    ListLock& lock_;
    HINSTANCE instance_;
    HICON icon_;
    HFONT list_font_ = nullptr;
    HFONT instructions_font_ = nullptr;
    std::atomic<HWND> hwnd_{nullptr};
    bool modal_ = false;
    bool ended_ = false;
    int exit_code_ = 0;
    Win32DialogView::UrlOpener open_url_;

    ListViewRows list_rows_;
    WindowShell shell_;
    Win32DialogView view_;
};

}  // namespace norvik
