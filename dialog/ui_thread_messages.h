#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "user_messages.h"

namespace norvik {

// The network code's messages as a window shows them: a message box on the user-interface
// thread. A receive thread that shows one waits until it is closed, but never while it holds
// LIST LOCK, and Close() lets every waiting thread go, so the user-interface thread can wait
// for the receive threads at exit. Made on the user-interface thread.
class UiThreadMessages : public UserMessages {
public:
    using ShowFunction = std::function<void(MessageStyle style, std::u16string_view text)>;

    // show shows a box, on the user-interface thread; wake asks that thread to call
    // ShowWaiting soon, from any thread.
    UiThreadMessages(ShowFunction show, std::function<void()> wake);
    ~UiThreadMessages() override;
    UiThreadMessages(const UiThreadMessages&) = delete;
    UiThreadMessages& operator=(const UiThreadMessages&) = delete;

    void ShowMessage(MessageStyle style, std::u16string_view text) override;
    void WriteOutput(std::string_view line) override;

    // Shows the messages other threads asked for, one after another. User-interface thread.
    void ShowWaiting();
    // Messages still waiting are dropped and no later one from another thread is shown.
    void Close();

private:
    struct Request {
        MessageStyle style;
        std::u16string text;
        bool done = false;
    };

    const std::thread::id ui_thread_ = std::this_thread::get_id();
    ShowFunction show_;
    std::function<void()> wake_;

    std::mutex mutex_;
    std::condition_variable answered_;
    std::deque<std::shared_ptr<Request>> waiting_;
    bool closed_ = false;
    ConsoleUserMessages console_;
};

}  // namespace norvik
