#include "ui_wakeup.h"

#ifdef _WIN32
#include <QMetaObject>
#else
#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cstdint>
#endif

namespace norvik {

#ifdef _WIN32

UiWakeup::UiWakeup() = default;
UiWakeup::~UiWakeup() = default;

void UiWakeup::Wake() {
    QMetaObject::invokeMethod(this, &UiWakeup::Woken, Qt::QueuedConnection);
}

void UiWakeup::Drain() {}

#else

UiWakeup::UiWakeup() {
    fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &UiWakeup::Drain);
}

UiWakeup::~UiWakeup() {
    delete notifier_;
    ::close(fd_);
}

void UiWakeup::Wake() {
    const std::uint64_t one = 1;
    (void)!::write(fd_, &one, sizeof one);
}

void UiWakeup::Drain() {
    std::uint64_t count = 0;
    (void)!::read(fd_, &count, sizeof count);
    emit Woken();
}

#endif

}  // namespace norvik
