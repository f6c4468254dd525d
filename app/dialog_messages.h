#pragma once

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "user_messages.h"

namespace norvik {

// The network code's messages as the window shows them: a message box on the user-interface
// thread. A receive thread that shows one waits until it is closed, but never while it holds
// LIST LOCK, and Close() lets every waiting thread go, so the user-interface thread can wait
// for the receive threads at exit.
class DialogMessages : public QObject, public UserMessages {
    Q_OBJECT

public:
    // The caption of the application's own boxes.
    static constexpr char16_t kApplicationName[] = u"Norvik";
    // The caption the platform gives a box that names none.
    static constexpr char16_t kDefaultCaption[] = u"Error";

    // wake asks the user-interface thread to call ShowWaiting soon; any thread calls it.
    explicit DialogMessages(std::function<void()> wake);
    ~DialogMessages() override;

    void ShowMessage(MessageStyle style, std::u16string_view text) override;
    void WriteOutput(std::string_view line) override;

    // Shows the messages other threads asked for, one after another. User-interface thread.
    void ShowWaiting();
    // Messages still waiting are dropped and no later one is shown.
    void Close();

private:
    struct Request {
        MessageStyle style;
        QString text;
        bool done = false;
    };

    void ShowNow(MessageStyle style, const QString& text);

    std::function<void()> wake_;

    std::mutex mutex_;
    std::condition_variable answered_;
    std::deque<std::shared_ptr<Request>> waiting_;
    bool closed_ = false;
    ConsoleUserMessages console_;
};

}  // namespace norvik
