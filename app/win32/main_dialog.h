#pragma once

#include <windows.h>

#include <atomic>
#include <string_view>

#include "dialog_rules.h"
#include "discovery.h"
#include "list_lock.h"
#include "list_view_sync.h"
#include "queued_list_view.h"
#include "ui_thread_messages.h"
#include "win32_dialog_view.h"

namespace norvik {

// The main dialog (template 102): the device list on the left, the picked device's network
// settings on the right, the commands below. What its controls do is the dialog's rules';
// this class answers the window's messages and keeps the list view in step with the receive
// threads, which only ever post to it.
class MainDialog {
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
    Discovery& discovery() { return discovery_; }
    // How the web page is opened: the shell's "open" unless a test looks instead.
    void SetUrlOpener(Win32DialogView::UrlOpener open) { open_url_ = std::move(open); }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    INT_PTR OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
    BOOL OnInitDialog();
    void OnCommand(int id, int code);
    void OnNotify(const NMHDR& header);
    bool OnSysCommand(UINT command);
    bool OnPaint();
    HICON OnQueryDragIcon() const { return icon_; }
    void OnCancel();
    // What the receive threads asked of the user-interface thread.
    void OnWake();
    void StopDiscovery();
    void End(int exit_code);
    void Wake();

    ListLock& lock_;
    HINSTANCE instance_;
    HICON icon_;
    HFONT list_font_ = nullptr;
    HFONT instructions_font_ = nullptr;
    std::atomic<HWND> hwnd_{nullptr};
    bool modal_ = false;
    bool ended_ = false;
    bool stopped_ = false;
    int exit_code_ = 0;
    Win32DialogView::UrlOpener open_url_;

    // In the order the receive threads need them; they stop before any of these goes away.
    std::atomic<int> failure_exit_code_{0};  // set by a receive thread whose socket failed
    UiThreadMessages messages_;
    QueuedListView rows_;
    ListViewSync rows_control_;
    Discovery discovery_;
    Win32DialogView view_;
    DialogRules rules_;
};

}  // namespace norvik
