#include "dialog_messages.h"

#include <QThread>

#include "message_box.h"
#include "qt_text.h"

namespace norvik {

DialogMessages::DialogMessages(std::function<void()> wake) : wake_(std::move(wake)) {}

DialogMessages::~DialogMessages() {
    Close();
}

void DialogMessages::ShowNow(MessageStyle style, const QString& text) {
    const QString caption = QString::fromUtf16(
        style == MessageStyle::kApplication ? kApplicationName : kDefaultCaption);
    MessageBox::Show(nullptr, caption, text);
}

void DialogMessages::ShowMessage(MessageStyle style, std::u16string_view text) {
    if (QThread::currentThread() == thread()) {
        ShowNow(style, ToQString(text));
        return;
    }
    auto request = std::make_shared<Request>(Request{style, ToQString(text)});
    std::unique_lock lock(mutex_);
    if (closed_) {
        return;
    }
    waiting_.push_back(request);
    wake_();
    answered_.wait(lock, [&] { return request->done || closed_; });
}

void DialogMessages::ShowWaiting() {
    std::unique_lock lock(mutex_);
    while (!waiting_.empty()) {
        const std::shared_ptr<Request> request = waiting_.front();
        waiting_.pop_front();
        lock.unlock();
        ShowNow(request->style, request->text);
        lock.lock();
        request->done = true;
        answered_.notify_all();
    }
}

void DialogMessages::WriteOutput(std::string_view line) {
    console_.WriteOutput(line);
}

void DialogMessages::Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    waiting_.clear();
    answered_.notify_all();
}

}  // namespace norvik
