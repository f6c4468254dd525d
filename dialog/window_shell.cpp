#include "window_shell.h"

#include "broadcast_sender.h"
#include "dialog_data.h"

namespace norvik {

WindowShell::WindowShell(ListLock& lock, WindowToolkit& toolkit, RowControl& row_control)
    : toolkit_(toolkit),
      messages_(
          [this](MessageStyle style, std::u16string_view text) {
              toolkit_.ShowMessageBox(
                  style == MessageStyle::kApplication ? kApplicationName : std::u16string_view(),
                  text);
          },
          [this] { toolkit_.Wake(); }),
      rows_([this] { toolkit_.Wake(); }),
      row_follower_(rows_, lock, row_control),
      discovery_(lock, rows_, messages_, [this](int code) {
          failure_exit_code_ = code;
          toolkit_.Wake();
      }) {}

WindowShell::~WindowShell() {
    Stop();
}

void WindowShell::AttachView(DialogView& view) {
    rules_.emplace(view, DeviceRows{rows_, [this] { row_follower_.SyncAll(); }}, discovery_.lock(),
                   discovery_, [this](const BroadcastSender& sender, ByteSpan request) {
                       SendRequest(sender, request, messages_);
                   });
}

void WindowShell::OnWake() {
    if (row_follower_.Step()) {
        toolkit_.Wake();  // the rest after the events waiting meanwhile
    }
    messages_.ShowWaiting();
    if (const int code = failure_exit_code_.exchange(0); code != 0 && !stopped_) {
        Stop();
        toolkit_.EndDialog(code);
    }
}

void WindowShell::OnCancel() {
    rules_->OnCancel();
    Stop();
    toolkit_.EndDialog(0);
}

void WindowShell::Stop() {
    if (stopped_) {
        return;
    }
    stopped_ = true;
    messages_.Close();
    discovery_.Stop();
}

}  // namespace norvik
