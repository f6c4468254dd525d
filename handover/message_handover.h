#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "user_messages.h"

namespace norvik {

// The receive threads' messages handed over to a window's user-interface thread, which shows
// each in a message box. A receive thread hands its message over and goes on at once: it never
// waits on a box, so the boxes can neither hold up the devices' reports nor LIST LOCK. A message
// that is already open or waiting is not shown a second time, so a flood of the same report makes
// one box, not thousands. Made on the user-interface thread.
class MessageHandover : public UserMessages {
public:
    using ShowFunction = std::function<void(MessageStyle style, std::u16string_view text)>;

    // show shows a box and returns when it is closed, on the user-interface thread; wake asks
    // that thread to call ShowWaiting soon, from any thread.
    MessageHandover(ShowFunction show, std::function<void()> wake);
    MessageHandover(const MessageHandover&) = delete;
    MessageHandover& operator=(const MessageHandover&) = delete;

    void ShowMessage(MessageStyle style, std::u16string_view text) override;
    void WriteOutput(std::string_view line) override;

    // Shows the messages other threads handed over, one after another. User-interface thread.
    void ShowWaiting();
    // Messages still waiting are dropped, and no later one from another thread is shown.
    void Close();

private:
    struct Message {
        MessageStyle style;
        std::u16string text;
        bool operator==(const Message&) const = default;
    };

    const std::thread::id ui_thread_ = std::this_thread::get_id();
    ShowFunction show_;
    std::function<void()> wake_;

    std::mutex mutex_;  // guards what follows
    std::deque<Message> waiting_;
    std::vector<Message> open_;  // shown now; a box can open while another is open
    bool closed_ = false;
    ConsoleUserMessages console_;
};

}  // namespace norvik
