#pragma once

#include <atomic>
#include <optional>
#include <string_view>

#include "dialog_rules.h"
#include "discovery.h"
#include "list_lock.h"
#include "message_handover.h"
#include "row_follower.h"
#include "row_handover.h"

namespace norvik {

// What a window's toolkit does for the shell.
class WindowToolkit {
public:
    virtual ~WindowToolkit() = default;
    // Has the user-interface thread call WindowShell::OnWake soon; any thread calls it.
    virtual void Wake() = 0;
    // A message box owned by no window, with OK; returns when it is closed. An empty caption
    // asks for the system's default one.
    virtual void ShowMessageBox(std::u16string_view caption, std::u16string_view text) = 0;
    // Ends the dialog; the window's run returns exit_code.
    virtual void EndDialog(int exit_code) = 0;
};

// What both windows wire up alike around the dialog's rules: the receive threads, the hand-over
// of their rows and messages to the user-interface thread, the list control following the
// rows, the rules themselves, what a wake-up does, Exit, and the exit code after a receive
// socket failed. A window keeps only its toolkit's drawing and events.
class WindowShell {
public:
    // The toolkit and the list control must outlive the receive threads: the window calls
    // Stop in its destructor.
    WindowShell(ListLock& lock, WindowToolkit& toolkit, RowControl& row_control);
    ~WindowShell();
    WindowShell(const WindowShell&) = delete;
    WindowShell& operator=(const WindowShell&) = delete;

    // Makes the rules over the window's view and the rows kept here, which the list control
    // follows; once, when the view exists.
    void AttachView(DialogView& view);
    DialogRules& rules() { return *rules_; }
    // The rows the list code keeps, which the window's list control follows.
    RowHandover& rows() { return rows_; }
    Discovery& discovery() { return discovery_; }

    // What the receive threads asked of the user-interface thread: row changes in bounded
    // steps, the boxes handed over, and the end after a receive socket failed.
    void OnWake();
    // Exit, Esc and the close box.
    void OnCancel();
    // Stops the receive threads and waits for them; boxes not yet shown are dropped.
    void Stop();

private:
    WindowToolkit& toolkit_;
    bool stopped_ = false;
    // In the order the receive threads need them; they stop before any of these goes away.
    std::atomic<int> failure_exit_code_{0};  // set by a receive thread whose socket failed
    MessageHandover messages_;
    RowHandover rows_;
    RowFollower row_follower_;
    Discovery discovery_;
    std::optional<DialogRules> rules_;
};

}  // namespace norvik
