#include "message_handover.h"

#include <algorithm>

namespace norvik {

MessageHandover::MessageHandover(ShowFunction show, std::function<void()> wake)
    : show_(std::move(show)), wake_(std::move(wake)) {
    TraceTo(TraceFileFromEnvironment());
}

void MessageHandover::ShowMessage(MessageStyle style, std::u16string_view text) {
    if (std::this_thread::get_id() == ui_thread_) {
        show_(style, text);
        return;
    }
    Message message{style, std::u16string(text)};
    std::lock_guard lock(mutex_);
    const bool known = std::find(waiting_.begin(), waiting_.end(), message) != waiting_.end() ||
                       std::find(open_.begin(), open_.end(), message) != open_.end();
    if (closed_ || known) {
        return;
    }
    waiting_.push_back(std::move(message));
    wake_();
}

void MessageHandover::ShowWaiting() {
    std::unique_lock lock(mutex_);
    while (!waiting_.empty()) {
        open_.push_back(std::move(waiting_.front()));
        waiting_.pop_front();
        const Message shown = open_.back();
        lock.unlock();
        show_(shown.style, shown.text);
        lock.lock();
        open_.erase(std::find(open_.begin(), open_.end(), shown));
    }
}

void MessageHandover::WriteOutput(std::string_view line) {
    console_.WriteOutput(line);
}

void MessageHandover::Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    waiting_.clear();
}

}  // namespace norvik
