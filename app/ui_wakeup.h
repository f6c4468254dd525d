#pragma once

#include <QObject>

class QSocketNotifier;

namespace norvik {

// Wakes the user-interface thread from any thread without a Qt call on the waking side, so
// the receive threads share nothing with Qt's own event queue: a wake-up is one write to a
// descriptor that the user-interface thread watches.
class UiWakeup : public QObject {
    Q_OBJECT

public:
    UiWakeup();
    ~UiWakeup() override;

    // Any thread. Wake-ups that come before the user-interface thread answers may merge.
    void wake();

signals:
    // On the user-interface thread.
    void woken();

private:
    void drain();

    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace norvik
