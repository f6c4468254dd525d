#include "ui_wakeup.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cstdint>

namespace norvik {

UiWakeup::UiWakeup() {
    fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &UiWakeup::drain);
}

UiWakeup::~UiWakeup() {
    delete notifier_;
    ::close(fd_);
}

void UiWakeup::wake() {
    const std::uint64_t one = 1;
    (void)!::write(fd_, &one, sizeof one);
}

void UiWakeup::drain() {
    std::uint64_t count = 0;
    (void)!::read(fd_, &count, sizeof count);
    emit woken();
}

}  // namespace norvik
