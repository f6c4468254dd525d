#include "ui_thread_messages.h"

namespace norvik {

UiThreadMessages::UiThreadMessages(ShowFunction show, std::function<void()> wake)
    : show_(std::move(show)), wake_(std::move(wake)) {}

UiThreadMessages::~UiThreadMessages() {
    Close();
}

void UiThreadMessages::ShowMessage(MessageStyle style, std::u16string_view text) {
    if (std::this_thread::get_id() == ui_thread_) {
        show_(style, text);
        return;
    }
    auto request = std::make_shared<Request>(Request{style, std::u16string(text)});
    std::unique_lock lock(mutex_);
    if (closed_) {
        return;
    }
    waiting_.push_back(request);
    wake_();
    answered_.wait(lock, [&] { return request->done || closed_; });
}

void UiThreadMessages::ShowWaiting() {
    std::unique_lock lock(mutex_);
    while (!waiting_.empty()) {
        const std::shared_ptr<Request> request = waiting_.front();
        waiting_.pop_front();
        lock.unlock();
        show_(request->style, request->text);
        lock.lock();
        request->done = true;
        answered_.notify_all();
    }
}

void UiThreadMessages::WriteOutput(std::string_view line) {
    console_.WriteOutput(line);
}

void UiThreadMessages::Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    waiting_.clear();
    answered_.notify_all();
}

}  // namespace norvik
